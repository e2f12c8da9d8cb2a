#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "TestDirectory.h"
#include "data/Connection.h"
#include "data/Query.h"
#include "data/TextCollation.h"

using namespace orbisk;
using orbisk::testing::Exec;

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

class Collation : public ::testing::Test {
 protected:
  void SetUp() override { c.OpenMemory(); }
  std::vector<std::string> Names(const std::string& sql) {
    Query q("T_Q", &c);
    q.SetSQL(sql);
    q.Open();
    std::vector<std::string> names;
    for (q.First(); !q.Eof(); q.Next()) names.push_back(q.FieldByName("name").AsString());
    return names;
  }
  bool Equal(const std::string& a, const std::string& b) {
    Exec(c.Handle(), "CREATE TABLE IF NOT EXISTS p (a TEXT COLLATE NOCASE, b TEXT COLLATE NOCASE)");
    Exec(c.Handle(), "DELETE FROM p");
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(c.Handle(), "INSERT INTO p VALUES (?, ?)", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, a.data(), static_cast<int>(a.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
    sqlite3_step(st);
    sqlite3_finalize(st);
    return !Names("select a as name from p where a = b").empty();
  }
  Connection c;
};

}  // namespace

TEST_F(Collation, AccentedCapitalsSortAmongTheirBaseLetter) {
  Exec(c.Handle(), "CREATE TABLE t (id INTEGER, name VARCHAR(40) COLLATE NOCASE)");
  Exec(c.Handle(),
       "INSERT INTO t VALUES (1, 'Zurich Assurances'), (2, 'Étoile du Nord'), (3, 'Entreprises Roy'),"
       " (4, 'Èbénisterie Gagnon'), (5, 'eagle Foods'), (6, 'Fabrique Côté'), (7, 'Zoé Design'),"
       " (8, 'Œuvres Nouvelles'), (9, 'Oasis')");
  EXPECT_EQ(Names("select name from t order by name, id"),
            (std::vector<std::string>{"eagle Foods", "Èbénisterie Gagnon", "Entreprises Roy", "Étoile du Nord",
                                      "Fabrique Côté", "Oasis", "Œuvres Nouvelles", "Zoé Design",
                                      "Zurich Assurances"}));
  // Ranges on text follow the same order: every E name, accented or not.
  EXPECT_EQ(Names("select name from t where name >= 'e' and name < 'f' order by name").size(), 4u);
}

TEST_F(Collation, AccentsAreASecondaryDifference) {
  Exec(c.Handle(), "CREATE TABLE t (name TEXT COLLATE NOCASE)");
  Exec(c.Handle(), "INSERT INTO t VALUES ('côté'), ('COTE'), ('côte'), ('coté'), ('cotes')");
  // Accents count only where the letters agree, from the left; a further letter outweighs them.
  EXPECT_EQ(Names("select name from t order by name"),
            (std::vector<std::string>{"COTE", "coté", "côte", "côté", "cotes"}));
}

TEST_F(Collation, OnlyLetterCaseMakesStringsEqual) {
  EXPECT_TRUE(Equal("Banque Ltée", "BANQUE LTÉE"));
  EXPECT_TRUE(Equal("O'Brien & Fils", "o'brien & fils"));
  EXPECT_TRUE(Equal("Ωmega", "ωMEGA"));
  EXPECT_FALSE(Equal("é", "e"));
  EXPECT_FALSE(Equal("Ltée", "Ltee"));
  // The collation alone sees no difference in these; their code points do.
  EXPECT_FALSE(Equal("\xEF\xAC\x81nance", "FINANCE"));  // the fi ligature
  EXPECT_FALSE(Equal("ab", std::string("a\x01" "b")));
  EXPECT_FALSE(Equal("e\xCC\x81", "\xC3\xA9"));  // e + combining acute against é
  EXPECT_FALSE(Equal("a\xC0", "a\xC1"));         // bytes that are not UTF-8
  EXPECT_FALSE(Equal("a\xC0", "a\xE0"));
  EXPECT_TRUE(Equal("", ""));
}

TEST_F(Collation, IndexedLookupsFindEveryCaseOfAName) {
  Exec(c.Handle(), "CREATE TABLE t (id INTEGER, name TEXT COLLATE NOCASE)");
  Exec(c.Handle(), "CREATE INDEX t_name ON t (name)");
  std::string values;
  for (int i = 0; i < 300; ++i) {
    const char* kinds[] = {"Étoile %d", "étoile %d", "Etoile %d", "ETOILE %d", "Zèbre %d"};
    char buf[40];
    std::snprintf(buf, sizeof buf, kinds[i % 5], i / 5);
    values += std::string(values.empty() ? "" : ",") + "(" + std::to_string(i) + ",'" + buf + "')";
  }
  Exec(c.Handle(), "INSERT INTO t VALUES " + values);
  EXPECT_EQ(Names("select name from t where name = 'ÉTOILE 7' order by id"),
            (std::vector<std::string>{"Étoile 7", "étoile 7"}));
  EXPECT_EQ(Names("select name from t where name = 'etoile 7' order by id"),
            (std::vector<std::string>{"Etoile 7", "ETOILE 7"}));
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(c.Handle(), "PRAGMA integrity_check", -1, &st, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok");
  sqlite3_finalize(st);
}

TEST(TextCollation, AsciiShortcutAgreesWithTheFullComparison) {
  // Every pair of strings up to three characters long over letters of both
  // cases, digits, blanks, punctuation and control characters, and each
  // followed by text only the full comparison can weigh.
  const std::string alphabet = std::string("aAzZ09 \t-'.&_~") + '\x01' + '\x7f';
  std::vector<std::string> strings{""};
  for (size_t len = 1, from = 0; len <= 3; ++len) {
    size_t to = strings.size();
    for (size_t i = from; i < to; ++i)
      for (char ch : alphabet) strings.push_back(strings[i] + ch);
    from = to;
  }
  const std::vector<std::string> tails{"", "\xC3\xA9", "\xCC\x81", "\xC3\x89t", "\xFF"};
  size_t checked = 0;
  for (size_t i = 0; i < strings.size(); i += 7)
    for (size_t j = 0; j < strings.size(); ++j)
      for (const auto& tail : tails) {
        std::string a = strings[i], b = strings[j] + tail;
        ASSERT_EQ(Sign(CompareText(a, b)), Sign(CompareTextUnicode(a, b))) << "'" << a << "' / '" << b << "'";
        ASSERT_EQ(Sign(CompareText(b, a)), -Sign(CompareText(a, b))) << "'" << a << "' / '" << b << "'";
        ++checked;
      }
  EXPECT_GT(checked, 100000u);
  // Letter case alone leaves strings equal; the ignored control character does not.
  EXPECT_EQ(CompareText("Abc-D", "aBC-d"), 0);
  EXPECT_LT(CompareText("a\x01" "b", "ab"), 0);
  EXPECT_LT(CompareText("co-op", "coop"), 0);
}

TEST(TextCollation, AsciiSortKeysOrderAsTheComparison) {
  // Pairs over letters of both cases, digits, blanks, punctuation and the
  // ignored control character: the keys' byte order is CompareText's.
  const std::string alphabet = std::string("aAbZ09 -'.&_") + '\x01' + '\x7f';
  std::vector<std::string> strings;
  for (char x : alphabet)
    for (char y : alphabet) {
      strings.push_back(std::string(1, x) + y);
      for (char z : std::string("a-B\x01")) strings.push_back(std::string(1, x) + y + z);
    }
  for (const std::string& a : strings)
    for (const std::string& b : strings) {
      std::string ka, kb;
      ASSERT_TRUE(AppendAsciiSortKey(a, ka) && AppendAsciiSortKey(b, kb));
      ASSERT_EQ(Sign(ka.compare(kb)), Sign(CompareText(a, b))) << "'" << a << "' / '" << b << "'";
    }
  // The collator's keys order every well-formed text so, accents included;
  // only texts differing in letter case alone may tie.
  std::vector<std::string> wide = strings;
  for (const char* s : {"\xC3\xA9", "\xC3\x89", "e\xCC\x81", "E", "\xC5\x93", "oe", "\xF0\x9F\x98\x80", "\xC3\x9F", "ss"})
    for (const char* t : {"", "a", "\xC3\xA9"}) wide.push_back(std::string(s) + t);
  for (size_t i = 0; i < wide.size(); i += 3)
    for (const std::string& b : wide) {
      std::string ka, kb;
      ASSERT_TRUE(AppendSortKey(wide[i], ka) && AppendSortKey(b, kb));
      // Keys may tie where only letter case differs; they never contradict the comparison.
      const int byKey = Sign(ka.compare(kb)), byText = Sign(CompareText(wide[i], b));
      ASSERT_TRUE(byKey == byText || (byKey == 0 && byText != 0)) << "'" << wide[i] << "' / '" << b << "'";
      if (byText == 0) {
        ASSERT_EQ(byKey, 0) << "'" << wide[i] << "' / '" << b << "'";
      }
    }
  std::string none;
  EXPECT_FALSE(AppendSortKey("a\xFF", none));  // ill-formed
  std::string upper, lower;
  ASSERT_TRUE(AppendSortKey("\xC3\x89toile", upper) && AppendSortKey("\xC3\xA9toile", lower));
  EXPECT_EQ(upper, lower);
  EXPECT_TRUE(none.empty());
  // Anything beyond ASCII gets no quick key and leaves the key as it was.
  std::string key = "x";
  EXPECT_FALSE(AppendAsciiSortKey("Z\xC3\xA8" "bre", key));
  EXPECT_FALSE(AppendAsciiSortKey("\xFF", key));
  EXPECT_EQ(key, "x");
}
