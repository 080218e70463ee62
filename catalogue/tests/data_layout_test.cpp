#include "catalogue/data_layout.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"

namespace catalogue {
namespace {

const std::string kHyoFolder = "C:\\" + platform::Utf8ToCp932("品名表");  // ends in 95 5C

TEST(JoinPath, TrailingDelimiterOrNotGivesTheSamePath) {
  EXPECT_EQ(JoinPath("C:\\dest", "M8HINMEI.DB"), "C:\\dest\\M8HINMEI.DB");
  EXPECT_EQ(JoinPath("C:\\dest\\", "M8HINMEI.DB"), "C:\\dest\\M8HINMEI.DB");
  EXPECT_EQ(WithTrailingDelimiter("C:\\dest"), "C:\\dest\\");
  EXPECT_EQ(WithTrailingDelimiter("C:\\dest\\"), "C:\\dest\\");
}

TEST(JoinPath, TrailByte5CIsNoDelimiter) {
  EXPECT_EQ(JoinPath(kHyoFolder, "M6hink.DB"), kHyoFolder + "\\M6hink.DB");
  EXPECT_EQ(WithTrailingDelimiter(kHyoFolder), kHyoFolder + "\\");
  EXPECT_EQ(WithTrailingDelimiter(kHyoFolder + "\\"), kHyoFolder + "\\");
  // A destination of blanks is a folder text like any other.
  EXPECT_EQ(WithTrailingDelimiter("  "), "  \\");
}

TEST(SourcePaths, SubfolderIsUsedUnexamined) {
  EXPECT_EQ(MasterSourcePath("D:\\medium\\", "m1", "M7HIMST.DB"), "D:\\medium\\m1\\M7HIMST.DB");
  EXPECT_EQ(MasterSourcePath("D:\\medium\\", "m1\\", "M7HIMST.DB"), "D:\\medium\\m1\\\\M7HIMST.DB");
  EXPECT_EQ(MasterSourcePath("D:\\medium\\", "", "M7HIMST.DB"), "D:\\medium\\\\M7HIMST.DB");
  EXPECT_EQ(TypeTableSourcePath("D:\\medium\\"), "D:\\medium\\M7HINCD.DB");
}

TEST(FolderPart, BareNamesHaveNone) {
  EXPECT_FALSE(HasFolderPart("data"));
  EXPECT_FALSE(HasFolderPart(platform::Utf8ToCp932("表")));  // 95 5C: no '\' character
  EXPECT_FALSE(HasFolderPart("  "));
  EXPECT_TRUE(HasFolderPart("data\\sub"));
  EXPECT_TRUE(HasFolderPart("C:data"));
  EXPECT_TRUE(HasFolderPart("\\\\server\\share"));
}

TEST(Layout, MarkerFilesAndCatalogueNames) {
  auto markers = MasterMarkerFiles();
  ASSERT_EQ(markers.size(), 3u);
  EXPECT_EQ(markers[0], "M8HINMEI.DB");
  EXPECT_EQ(markers[1], "M7HIMST.DB");
  EXPECT_EQ(markers[2], "M6HINSET.DB");
  EXPECT_EQ(CatalogueFileName(1), "kelo.txt");
  EXPECT_EQ(CatalogueFileName(0), "zubo.txt");
  EXPECT_EQ(CatalogueFileName(2), "zubo.txt");
}

TEST(Layout, IndexDefinitionsPrimaryFirst) {
  for (const TableIndexes* table : {&ItemTableIndexes(), &ClassificationTableIndexes(),
                                    &SetItemTableIndexes(), &UnitTableIndexes(), &TypeTableIndexes()}) {
    ASSERT_FALSE(table->indexes.empty()) << table->table;
    EXPECT_TRUE(table->indexes[0].primary) << table->table;
    EXPECT_TRUE(table->indexes[0].name.empty()) << table->table;
  }
  const auto& item = ItemTableIndexes().indexes;
  ASSERT_EQ(item.size(), 2u);
  EXPECT_EQ(item[1].name, "ix2");
  EXPECT_EQ(item[1].fields, "fHinban");
  EXPECT_TRUE(item[1].case_insensitive);
  const auto& set = SetItemTableIndexes().indexes;
  ASSERT_EQ(set.size(), 2u);
  EXPECT_EQ(set[0].fields, "fCD;fGyo");
  EXPECT_EQ(set[1].name, "fHinCD");
  EXPECT_FALSE(set[1].case_insensitive);
  EXPECT_EQ(ClassificationTableIndexes().indexes.size(), 1u);
}

}  // namespace
}  // namespace catalogue
