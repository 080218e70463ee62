// A pass over the rows of a stored DB on two threads, for the usual file: one whose chain
// runs from block 1 through its blocks in number order and that has no free blocks, as a
// rebuilt or copied table's does. The blocks are cut into runs; each thread takes the
// next run not yet taken, reads it in windows that stay in its own cache, and checks
// each block as the chain walk does (its links, its record count, that its records lie
// in the file). The runs after the first are seen by parts of the visitors
// (RowVisitor::Part), joined into them in chain order at the end. Reading and visiting
// are bound by the memory's speed, and two cores take nearly half the time off; taking
// runs one at a time keeps that when one thread starts late or is slowed.
#ifndef HINMEI_ENGINE_READ_SPLIT_ROW_PASS_H_
#define HINMEI_ENGINE_READ_SPLIT_ROW_PASS_H_

#include <vector>

#include "engine/format/header.h"
#include "engine/threads/helper_thread.h"
#include "engine/read/row_pass.h"
#include "platform/file_system.h"

namespace engine {

enum class SplitPass {
  kVisited,   // every row, in chain order
  kNotTaken,  // not such a file, too small to gain from it, or a visitor without parts:
              // no visitor has seen a row
  kGaveUp,    // something unexpected on the way (a block not as such a chain has it, a
              // failed read, a visitor that stopped the pass): the visitors may have seen
              // some rows and are to be thrown away
};

// Whether the DB is large enough for the second thread to pay for itself.
bool RowPassPaysForTwoThreads(const format::Header& db);

// The rows of the DB `file`, in chain order, on this thread and `helper`, or one
// started for the pass when null. Unless kVisited, the rows are to be visited through
// chain_stream.h, whose checks name what is wrong.
SplitPass VisitStoredRowsInRuns(platform::File& file, const format::Header& db,
                                const std::vector<RowVisitor*>& visitors, HelperThread* helper = nullptr);

}  // namespace engine

#endif  // HINMEI_ENGINE_READ_SPLIT_ROW_PASS_H_
