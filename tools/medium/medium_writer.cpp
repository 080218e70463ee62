#include "tools/medium/medium_writer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "catalogue/data_layout.h"
#include "engine/family.h"
#include "engine/write/table_creator.h"
#include "platform/cp932.h"

namespace medium {
namespace {

using engine::FieldValue;
using engine::TableCreator;
using engine::TableSpec;

// A small deterministic generator, so that the same master is always written alike.
class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }

 private:
  std::uint32_t state_;
};

std::vector<std::string> Sjis(std::initializer_list<std::string_view> utf8) {
  std::vector<std::string> out;
  for (std::string_view text : utf8) out.push_back(platform::Utf8ToCp932(text));
  return out;
}

const std::vector<std::string>& Goods() {
  static const auto words = Sjis({"配管用炭素鋼鋼管", "硬質塩化ビニル管", "エルボ", "チーズ", "仕切弁", "玉形弁",
                                  "ＶＶＦケーブル", "ＣＶケーブル", "ＬＥＤ照明器具", "埋込スイッチ", "コンセント",
                                  "分電盤", "スパイラルダクト", "グラスウール保温筒", "石膏ボード", "構造用合板",
                                  "生コンクリート", "異形鉄筋", "合板型枠", "合成樹脂調合ペイント", "防水シート",
                                  "磁器質タイル", "アルミサッシ", "換気扇", "ﾊﾟｯｷﾝ", "ﾎﾞﾙﾄﾅｯﾄ"});
  return words;
}

// Makers' prefixes of part numbers, in the cases their catalogues use.
constexpr const char* kMakers[] = {"KH", "kh", "TOTO", "Lixil", "NSK", "pana", "YKK", "mk"};

const std::vector<std::string>& Qualities() {
  static const auto words = Sjis({"白", "黒", "ステンレス", "亜鉛めっき", "耐火", "屋外用", "防食", "高圧", "一般用", "表示付"});
  return words;
}

const std::vector<std::string>& Classes() {
  static const auto words = Sjis({"建築", "設備", "電気", "土木", "仮設", "内装", "外装", "衛生", "空調", "防災"});
  return words;
}

std::string Number(long value, int width) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*ld", width, value);
  return buffer;
}

FieldValue Text(std::string cp932) { return FieldValue::Text(std::move(cp932)); }

void Create(platform::FileSystem& fs, const std::string& path, TableSpec table,
            const std::vector<std::vector<FieldValue>>& rows) {
  TableCreator creator(fs, path, std::move(table));
  for (const auto& row : rows) creator.AddRow(row);
  creator.Finish();
}

// A medium's table comes without its index files.
void RemovePrimaryIndex(platform::FileSystem& fs, const std::string& db_path) {
  std::string px = engine::FindFamily(fs, db_path).px;
  if (!px.empty()) fs.RemoveFile(px);
}

std::string ItemCode(const MasterSpec& master, int item) { return Number(master.number * 10000000L + item, 10); }

}  // namespace

void WriteItemTable(platform::FileSystem& fs, const std::string& path, const MasterSpec& master) {
  TableSpec table{{{"fCD", 'A', 10},
                   {"fHinban", 'A', 20},
                   {"fHinmei", 'A', 60},
                   {"fKikaku", 'A', 40},
                   {"fTani", 'A', 4},
                   {"fTanka", 'N', 0},
                   {"fBunrui", 'A', 6},
                   {"fMemo", 'M', 40}},
                  master.keyed_tables ? 1 : 0};
  Random random(master.seed);
  const auto& goods = Goods();
  const auto& qualities = Qualities();
  const std::string remark = platform::Utf8ToCp932("施工上の注意：");
  const std::string detail = platform::Utf8ToCp932("搬入経路と保管場所を事前に確認し、メーカーの施工要領書に従うこと。");
  TableCreator creator(fs, path, std::move(table));
  for (int i = 1; i <= master.items; ++i) {
    // Rows arrive out of key order; item numbers mix upper and lower case.
    int item = master.keyed_tables ? i : master.items + 1 - i;
    const std::string& good = goods[static_cast<std::size_t>(random.Below(static_cast<int>(goods.size())))];
    std::string size = std::to_string(10 + random.Below(290)) + (random.Below(2) ? "A" : "mm");
    // A maker's part number: in no relation to the item code's order, and not unique.
    std::string hinban = std::string(kMakers[random.Below(static_cast<int>(std::size(kMakers)))]) + "-" +
                         Number(random.Below(1000000), 6);
    if (random.Below(3) == 0) hinban += "-" + Number(random.Below(100), 2);
    std::string name = good + " " + qualities[static_cast<std::size_t>(random.Below(10))];
    FieldValue memo;
    if (master.memo_every > 0 && item % master.memo_every == 0) {
      std::string text = remark + good;
      // Now and then a memo longer than a suballocated slot, so the memo file holds both kinds.
      bool long_memo = master.long_memo_every > 0 && item % master.long_memo_every == 0;
      for (int k = long_memo ? 60 : 1; k > 0; --k) text += detail;
      memo = Text(text);
    }
    creator.AddRow({Text(ItemCode(master, item)), Text(hinban), Text(name), Text(size),
                    Text(platform::Utf8ToCp932(random.Below(3) ? "本" : "ｍ")),
                    FieldValue::Number(100 + random.Below(500000) / 10.0), Text("C" + Number(random.Below(50), 3)), memo});
  }
  creator.Finish();
  if (master.keyed_tables) RemovePrimaryIndex(fs, path);
}

void WriteMasterFolder(platform::FileSystem& fs, const std::string& folder, const MasterSpec& master) {
  fs.ForceDirectories(folder);
  auto in = [&](std::string_view name) { return catalogue::JoinPath(folder, name); };
  WriteItemTable(fs, in(catalogue::kItemTable), master);

  const auto& classes = Classes();
  int class_rows = master.classes > 0 ? master.classes : std::max(3, master.items / 50);
  std::vector<std::vector<FieldValue>> class_table;
  for (int c = class_rows; c >= 1; --c) {  // unkeyed, last first
    class_table.push_back({Text("C" + Number(c, 3)),
                           Text(classes[static_cast<std::size_t>(c % 10)] + platform::Utf8ToCp932("分類") + std::to_string(c)),
                           Text("C" + Number(c / 10, 3))});
  }
  Create(fs, in(catalogue::kClassificationTable), {{{"fCD", 'A', 6}, {"fMei", 'A', 40}, {"fOya", 'A', 6}}, 0},
         class_table);

  int set_rows = master.set_rows > 0 ? master.set_rows : std::max(2, master.items / 5);
  std::vector<std::vector<FieldValue>> set_table;
  Random random(master.seed + 7);
  for (int r = 0; r < set_rows; ++r) {
    int set_item = 1 + r / 3;
    set_table.push_back({Text(ItemCode(master, set_item)), FieldValue::Integer(1 + r % 3),
                         Text(ItemCode(master, 1 + random.Below(std::max(1, master.items)))),
                         FieldValue::Number(1 + random.Below(20))});
  }
  TableSpec set_spec{{{"fCD", 'A', 10}, {"fGyo", 'S', 0}, {"fHinCD", 'A', 10}, {"fSuryo", 'N', 0}},
                     master.keyed_tables ? 2 : 0};
  Create(fs, in(catalogue::kSetItemTable), set_spec, set_table);
  if (master.keyed_tables) RemovePrimaryIndex(fs, in(catalogue::kSetItemTable));

  platform::WriteWholeFile(fs, in(catalogue::kLoadDefinitionKb),
                           "[KB]\r\nmaster=" + std::to_string(master.number) + "\r\nfields=fCD,fHinban,fHinmei\r\n");
  platform::WriteWholeFile(fs, in(catalogue::kLoadDefinitionSk),
                           "[SK]\r\nmaster=" + std::to_string(master.number) + "\r\nfields=fCD,fGyo,fHinCD\r\n");
}

void WriteManagementTable(platform::FileSystem& fs, const std::string& path, int last_code, int rows) {
  std::vector<std::vector<FieldValue>> table;
  for (int code = std::max(1, last_code - rows + 1); code <= last_code; ++code) {
    table.push_back({FieldValue::Integer(code), Text("C:\\kelo_v6\\hinmei" + Number(code, 2) + "\\"),
                     Text(platform::Utf8ToCp932("既存の品名マスタ ") + std::to_string(code))});
  }
  Create(fs, path, {{{"fCD", 'I', 0}, {"fPath", 'A', 255}, {"fMei", 'A', 60}}, 1}, table);
}

void WriteUnitTable(platform::FileSystem& fs, const std::string& path) {
  const auto names = Sjis({"本", "ｍ", "個", "枚", "㎡", "kg", "式", "箇所"});
  std::vector<std::vector<FieldValue>> table;
  for (std::size_t i = names.size(); i-- > 0;) table.push_back({Text("U" + Number(static_cast<long>(i), 2)), Text(names[i])});
  Create(fs, path, {{{"fCD", 'A', 4}, {"fMei", 'A', 20}}, 0}, table);
}

void WriteTypeTable(platform::FileSystem& fs, const std::string& path, int rows) {
  const auto& classes = Classes();
  std::vector<std::vector<FieldValue>> table;
  for (int i = 1; i <= rows; ++i) {
    table.push_back({Text("T" + Number(i, 3)),
                     Text(classes[static_cast<std::size_t>(i % 10)] + platform::Utf8ToCp932("品種 ") + std::to_string(i)),
                     FieldValue::Integer(i)});
  }
  Create(fs, path, {{{"fCD", 'A', 4}, {"fMei", 'A', 30}, {"fHyoji", 'S', 0}}, 1}, table);
}

void WriteCatalogue(platform::FileSystem& fs, const std::string& path, const std::vector<CatalogueLine>& lines) {
  std::string text;
  for (const CatalogueLine& line : lines) {
    std::string name;
    for (char c : line.name) name += c == '"' ? std::string("\"\"") : std::string(1, c);
    text += '"' + name + "\"," + line.destination + "," + line.subfolder + "\r\n";
  }
  platform::WriteWholeFile(fs, path, text);
}

}  // namespace medium
