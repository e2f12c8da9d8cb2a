#include <gtest/gtest.h>

#include "data/Schema.h"
#include "strutil/TextUtil.h"

using namespace orbisk;

TEST(TextUtil, TrimRemovesBlanksAndControlBytesOnly) {
  EXPECT_EQ(TrimBlanks(" \t\r\n abc \x01\x1f "), "abc");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks("a b"), "a b");
  EXPECT_EQ(TrimBlanks("\xC3\xA9 "), "\xC3\xA9");  // bytes above 0x20 stay
}

TEST(TextUtil, WholeNumbers) {
  EXPECT_TRUE(IsWholeNumber("50"));
  EXPECT_TRUE(IsWholeNumber("-7"));
  EXPECT_TRUE(IsWholeNumber("+0012"));
  EXPECT_FALSE(IsWholeNumber(""));
  EXPECT_FALSE(IsWholeNumber("-"));
  EXPECT_FALSE(IsWholeNumber("5 0"));
  EXPECT_FALSE(IsWholeNumber("1e3"));
}

TEST(TextUtil, FoldsAccentedCapitalsButKeepsAccents) {
  EXPECT_EQ(FoldCaseUtf8("\xC3\x89TOILE"), "\xC3\xA9toile");  // ÉTOILE -> étoile
  EXPECT_NE(FoldCaseUtf8("\xC3\xA9"), FoldCaseUtf8("e"));
  EXPECT_EQ(FoldCaseUtf8("\xD0\x96"), "\xD0\xB6");  // Cyrillic Zhe
  EXPECT_EQ(FoldCaseUtf8("a\xFF" "B"), "a\xFF" "b");  // stray byte survives
}

TEST(Schema, DeclaredTypesRoundTrip) {
  for (const auto& table : DirectoryTables())
    for (const auto& col : table.columns) {
      ColumnType back = ColumnTypeFromDeclared(SqliteDeclaredType(col.type));
      EXPECT_EQ(back.kind, col.type.kind) << table.name << "." << col.name;
      EXPECT_EQ(back.size, col.type.size) << table.name << "." << col.name;
    }
  EXPECT_EQ(FieldTypeOf(ColumnTypeFromDeclared("varchar(80)")), ftWideString);
  EXPECT_EQ(FieldTypeOf(ColumnTypeFromDeclared("SMALLINT")), ftSmallint);
  EXPECT_EQ(FieldTypeOf(ColumnTypeFromDeclared("COUNTER")), ftAutoInc);
  EXPECT_EQ(FieldTypeOf(ColumnTypeFromDeclared("LONGTEXT")), ftMemo);
}

TEST(Schema, IndexedColumnsAreCompanyIdsAndCategoryCodes) {
  for (const char* name : {"Company_ID", "company_id", "Cat_Code", "MainCat_Code", "SUBCAT_CODE"})
    EXPECT_TRUE(IsIndexedColumn(name)) << name;
  for (const char* name : {"Profile_ID", "Cat1_Code", "Cat_Name", "Company_IDs", "at_Code", ""})
    EXPECT_FALSE(IsIndexedColumn(name)) << name;
}
