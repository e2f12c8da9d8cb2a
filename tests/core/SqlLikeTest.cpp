#include <gtest/gtest.h>

#include <string>

#include "TestDirectory.h"
#include "data/Connection.h"
#include "data/Query.h"
#include "data/SqlLike.h"

using namespace orbisk;

TEST(LikeByteSearch, OnlyThePanelsShapesTakeIt) {
  EXPECT_TRUE(LikePattern("%bank%").Fast());
  EXPECT_TRUE(LikePattern("%%bank%%").Fast());
  EXPECT_TRUE(LikePattern("B%").Fast());
  EXPECT_TRUE(LikePattern("%Qu\xC3\xA9" "bec%").Fast());
  for (const char* general : {"%", "", "bank", "%bank", "%a_c%", "%a%b%", "a%b%", "%a\xC0\xA5" "b%"})
    EXPECT_FALSE(LikePattern(general).Fast()) << general;
}

TEST(LikeByteSearch, AnswersAsTheGeneralMatcherDoes) {
  struct Case {
    const char* pattern;
    std::string text;
    bool match;
  };
  const Case cases[] = {
      {"%bank%", "First BANK of Ottawa", true},
      {"%bank%", "Banque", false},
      {"%bank%", "", false},
      {"%bank%", "ban", false},
      {"%abab%", "aababab", true},  // a partial match before the real one
      {"b%", "Banque", true},
      {"b%", "aB", false},
      {"b%", "", false},
      {"%ki%", "\xE2\x84\xAAIM", true},            // the Kelvin sign folds to k
      {"%istanbul%", "\xC4\xB0stanbul", true},     // dotted capital I folds to i
      {"i%", "\xC4\xB0stanbul", true},
      {"%a%", "x\xC1\x81", true},                  // a long form of 'A' reads as one
      {"%\xC3\xA9t\xC3\xA9%", "\xC3\x89T\xC3\x89 Inc", true},
      {"%\xC3\xA9t\xC3\xA9%", "ete", false},
      {"%\xC3\xA9%", "\xC3", false},               // a stray byte is no letter
      {"%a%", std::string("x\0A", 3), true},       // a NUL byte is just a byte
      {"%Z%", "zzz", true},
      {"%i%", "I", true},                          // never the user's locale's fold
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LikePattern(c.pattern).Matches(c.text), c.match) << c.pattern << " / " << c.text;
    EXPECT_EQ(SqlLike(c.pattern, c.text), c.match) << c.pattern << " / " << c.text;
  }
}

TEST(LikeByteSearch, FindsTheNeedleAtEveryPlaceOfALongText) {
  // Sixteen places are looked at together: needles across and at the ends
  // of those windows, in either case, near misses beside them.
  for (const std::string needle : {"o", "on", "ontario", "exactly16bytes!!", "a longer needle than sixteen"}) {
    std::string upper = needle;
    for (char& ch : upper) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 32 : ch);
    for (size_t at = 0; at < 50; ++at) {
      std::string text(70, '-');
      text.replace(at, upper.size(), upper);
      const LikePattern p("%" + needle + "%");
      EXPECT_TRUE(p.Matches(text)) << needle << " at " << at;
      text[at + upper.size() - 1] = '#';  // all but the last byte
      EXPECT_FALSE(p.Matches(text)) << needle << " at " << at;
      EXPECT_FALSE(SqlLike("%" + needle + "%", text)) << needle << " at " << at;
    }
  }
}

TEST(LikeByteSearch, StatementsKeepTheirAnswersWithThePatternMadeOnce) {
  Connection c;
  c.OpenMemory();
  orbisk::testing::Exec(c.Handle(), "CREATE TABLE t (id INTEGER, name TEXT)");
  orbisk::testing::Exec(c.Handle(),
                        "INSERT INTO t VALUES (1, 'Bank of X'), (2, NULL), (3, 'banque'), (4, 'Old Bank'),"
                        " (5, 'x_bank'), (6, '')");
  auto ids = [&](const std::string& where) {
    Query q("T_Q", &c);
    q.SetSQL("select id from t where " + where + " order by id");
    q.Open();
    std::string out;
    for (q.First(); !q.Eof(); q.Next()) out += q.FieldByName("id").AsString();
    return out;
  };
  EXPECT_EQ(ids("name like '%BANK%'"), "145");
  EXPECT_EQ(ids("name like 'b%'"), "13");
  EXPECT_EQ(ids("name like '%x\\_%' escape '\\'"), "5");
  EXPECT_EQ(ids("name like name"), "13456");  // a pattern that changes row by row
  EXPECT_EQ(ids("'%an%' like name"), "");
  EXPECT_EQ(ids("name not like '%bank%'"), "36");
}
