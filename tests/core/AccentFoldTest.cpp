// LIKE with accents ignored: the matcher, the byte search that must answer as
// it does, the fold a query chooses for its own statement, and the search
// panel's statements, which the option leaves as they are.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "TestDirectory.h"
#include "data/Connection.h"
#include "data/Query.h"
#include "data/SqlLike.h"
#include "search/SearchBuilders.h"

using namespace orbisk;

namespace {

constexpr LikeFold kAccents = LikeFold::CaseAndAccents;

// Both matchers, which must agree, for one fold.
bool Like(const std::string& pattern, const std::string& text, LikeFold fold) {
  const bool general = SqlLike(pattern, text, 0, fold);
  const bool fast = LikePattern(pattern, fold).Matches(text);
  EXPECT_EQ(fast, general) << "byte search and matcher differ on " << pattern << " / " << text;
  return general;
}

}  // namespace

TEST(IgnoreAccents, FindsLettersWithAndWithoutAccents) {
  struct Case {
    const char* pattern;
    const char* text;
    bool withAccentsIgnored;
    bool withCaseOnly;
  };
  const Case cases[] = {
      {"%Montreal%", "5 Rue Laval, Montréal, Quebec", true, false},
      {"%Montreal%", "MONTRÉAL", true, false},
      {"%montréal%", "Montreal", true, false},
      {"%montréal%", "MONTRÉAL", true, true},
      {"%ecole%", "École Polytechnique", true, false},
      {"%Cote%", "Côte-Saint-Luc", true, false},
      {"e%", "Étoile", true, false},  // the initial form
      {"E%", "étoile", true, false},
      {"%ç%", "Francais", true, false},
      {"%quebec%", "QUÉBEC", true, false},
      {"%ngoc%", "Nguyễn Ngọc", true, false},  // two marks on one letter
      {"%Zoe%", "Zoé Roy", true, false},
      // Letters that are no accented form of another keep their identity.
      {"%o%", "Ø", false, false},
      {"%ø%", "Ø", true, true},
      {"%oe%", "Œuvre", false, false},
      {"%œ%", "ŒUVRE", true, true},
      {"%ae%", "Æsir", false, false},
      {"%ss%", "Straße", false, false},
      {"%ß%", "STRAßE", true, true},
      {"%l%", "Łódź", false, false},  // ł has no decomposition either
      {"%lodz%", "łódź", false, false},
      {"%łodz%", "łódź", true, false},
      // Nothing else changes: wildcards, misses, empty texts.
      {"%bank%", "Banque", false, false},
      {"%a_c%", "àbç", true, false},
      {"%", "", true, true},
      {"%e%", "", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Like(c.pattern, c.text, kAccents), c.withAccentsIgnored) << c.pattern << " / " << c.text;
    EXPECT_EQ(Like(c.pattern, c.text, LikeFold::Case), c.withCaseOnly) << c.pattern << " / " << c.text;
  }
}

TEST(IgnoreAccents, MarksWrittenApartArePassedOver) {
  // Text stored decomposed: the letter, then its combining accent.
  const std::string decomposed = "Montre\xCC\x81" "al";
  EXPECT_TRUE(Like("%montreal%", decomposed, kAccents));
  EXPECT_TRUE(Like("%montréal%", decomposed, kAccents));
  EXPECT_TRUE(Like("montr_al", decomposed, kAccents));  // the letter and its mark are one character
  EXPECT_TRUE(Like("%e%", "e\xCC\x81", kAccents));
  EXPECT_FALSE(Like("%montreal%", decomposed, LikeFold::Case));
  // A pattern of marks alone asks for nothing.
  EXPECT_TRUE(Like("%\xCC\x81%", "abc", kAccents));
  EXPECT_TRUE(Like("%\xCC\x81%", "", kAccents));
}

TEST(IgnoreAccents, StrayBytesStayThemselves) {
  // A lone byte is no letter: never an e, however its value reads.
  EXPECT_FALSE(Like("%e%", "\xE9", kAccents));
  EXPECT_FALSE(Like("e%", "\xC9t\xE9", kAccents));
  EXPECT_TRUE(Like("%t%", "\xC9t\xE9", kAccents));
  // A cut sequence before a real accented letter.
  EXPECT_TRUE(Like("%ete%", "\xC3" "\xC3\xA9t\xC3\xA9", kAccents));
}

TEST(IgnoreAccents, EscapeKeepsWildcardsLiteral) {
  EXPECT_TRUE(SqlLike("%\\_é%", "a_E", '\\', kAccents));
  EXPECT_FALSE(SqlLike("%\\_é%", "axe", '\\', kAccents));
  EXPECT_TRUE(SqlLike("\\%", "%", '\\', kAccents));
  EXPECT_TRUE(SqlLike("a\\", "A\\", '\\', kAccents));  // an escape at the end stands for itself
}

TEST(IgnoreAccents, TheByteSearchTakesTheSameShapes) {
  EXPECT_TRUE(LikePattern("%Montréal%", kAccents).Fast());
  EXPECT_TRUE(LikePattern("É%", kAccents).Fast());
  EXPECT_FALSE(LikePattern("%a_b%", kAccents).Fast());
  EXPECT_FALSE(LikePattern("%\xCC\x81%", kAccents).Fast());  // marks alone: nothing to search for
  // Long texts, the sought word at every place, in accented capitals.
  for (size_t at = 0; at < 40; ++at) {
    std::string text(at, '-');
    text += "CÔTÉ";
    text += std::string(40 - at, '=');
    EXPECT_TRUE(Like("%cote%", text, kAccents)) << at;
    EXPECT_TRUE(Like("%côte%", text, kAccents)) << at;
    EXPECT_FALSE(Like("%cotes%", text, kAccents)) << at;
    EXPECT_EQ(Like("cote%", text, kAccents), at == 0) << at;
  }
}

TEST(IgnoreAccents, ByteSearchAgreesOnManyMadeUpTexts) {
  // Pieces of French and other texts, wildcards, a mark written apart and a
  // stray byte, put together at random (the same every run).
  const std::vector<std::string> pieces = {"a", "e", "E", "é", "É", "\xCC\x81", "ø", "Ø", "œ", "ß", "%", "_",
                                           "\xC3", "c", "ç", "o", "ô", " ", "Qu", "MONTR"};
  uint32_t state = 12345;
  auto next = [&](uint32_t n) {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % n;
  };
  int matchedWithAccents = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string inner, text;
    bool mark = false;
    for (uint32_t k = 1 + next(4); k > 0; --k) {
      const std::string& piece = pieces[next(pieces.size())];
      mark = mark || piece == "\xCC\x81";
      inner += piece;
    }
    for (uint32_t k = next(12); k > 0; --k) {
      const std::string& piece = pieces[next(pieces.size())];
      mark = mark || piece == "\xCC\x81";
      text += piece;
    }
    const std::string pattern = next(3) == 0 ? inner + "%" : next(2) ? "%" + inner + "%" : inner;
    const bool accents = Like(pattern, text, kAccents);
    const bool caseOnly = Like(pattern, text, LikeFold::Case);
    matchedWithAccents += accents;
    // Ignoring accents only ever finds more, as long as no mark stands apart
    // (a mark is a character of its own to the case fold, nothing to this one).
    if (!mark && caseOnly) {
      EXPECT_TRUE(accents) << pattern << " / " << text;
    }
  }
  EXPECT_GT(matchedWithAccents, 1000);  // the pieces meet often enough to test matches too
}

namespace {

class EngineFold : public ::testing::Test {
 protected:
  void SetUp() override {
    c.OpenMemory();
    orbisk::testing::Exec(c.Handle(), "CREATE TABLE t (id INTEGER, name TEXT COLLATE NOCASE)");
    orbisk::testing::Exec(c.Handle(),
                  "INSERT INTO t VALUES (1, 'Montréal'), (2, 'MONTRÉAL'), (3, 'Montreal'), (4, 'École du Nord'),"
                  " (5, 'Côte-Saint-Luc'), (6, 'Cote Bakery'), (7, 'Øster Ltd'), (8, NULL), (9, 'Ecole Sud')");
  }
  std::string Ids(const std::string& where, LikeFold fold) {
    Query q("T_Q", &c);
    q.SetSQL("select id from t where " + where + " order by id");
    q.SetLikeFold(fold);
    q.Open();
    std::string out;
    for (q.First(); !q.Eof(); q.Next()) out += q.FieldByName("id").AsString();
    return out;
  }
  Connection c;
};

}  // namespace

TEST_F(EngineFold, TheQueryChoosesTheFoldOfItsStatement) {
  EXPECT_EQ(Ids("name like '%Montreal%'", kAccents), "123");
  EXPECT_EQ(Ids("name like '%montréal%'", kAccents), "123");
  EXPECT_EQ(Ids("name like '%ecole%'", kAccents), "49");
  EXPECT_EQ(Ids("name like 'cote%'", kAccents), "56");
  EXPECT_EQ(Ids("name like '%o%'", kAccents), "1234569");  // Ø is no O
  // Without it, today's answers.
  EXPECT_EQ(Ids("name like '%Montreal%'", LikeFold::Case), "3");
  EXPECT_EQ(Ids("name like '%montréal%'", LikeFold::Case), "12");
  EXPECT_EQ(Ids("name like '%ecole%'", LikeFold::Case), "9");
  EXPECT_EQ(Ids("name like 'cote%'", LikeFold::Case), "6");
  // The three-argument form follows the fold too.
  EXPECT_EQ(Ids("name like '%c\\_te%' escape '\\'", kAccents), "");
  EXPECT_EQ(Ids("name like 'c_te%' escape '\\'", kAccents), "56");
  // Outside a query's run the engine folds case only.
  EXPECT_EQ(CurrentLikeFold(), LikeFold::Case);
}

TEST_F(EngineFold, APreparedStatementFollowsEachRunsFold) {
  Query q("T_Q", &c);
  q.SetPrepared(true);
  q.SetSQL("select id from t where name like '%montreal%' order by id");
  auto run = [&](LikeFold fold) {
    q.Close();
    q.SetLikeFold(fold);
    q.Open();
    std::string out;
    for (q.First(); !q.Eof(); q.Next()) out += q.FieldByName("id").AsString();
    return out;
  };
  EXPECT_EQ(run(kAccents), "123");
  EXPECT_EQ(run(LikeFold::Case), "3");
  EXPECT_EQ(run(kAccents), "123");
}

TEST_F(EngineFold, AFailingStatementLeavesTheFoldAsItWas) {
  Query q("T_Q", &c);
  q.SetSQL("select nothing from nowhere where name like '%e%'");
  q.SetLikeFold(kAccents);
  EXPECT_THROW(q.Open(), std::runtime_error);
  EXPECT_EQ(CurrentLikeFold(), LikeFold::Case);
  {
    const ScopedLikeFold outer(kAccents);
    Query inner("I_Q", &c);  // a query of its own keeps its own fold
    inner.SetSQL("select id from t where name like '%montreal%'");
    inner.Open();
    EXPECT_EQ(inner.RecordCount(), 1);
    EXPECT_EQ(CurrentLikeFold(), kAccents);
  }
  EXPECT_EQ(CurrentLikeFold(), LikeFold::Case);
}

TEST(IgnoreAccents, StatementsStayByteForByte) {
  SearchPanel p;
  p.Location_Chk = true;
  p.Location = "Montreal";
  p.CompanyName_Chk = true;
  p.CompanyName = "e";
  p.PSL_Chk = true;
  p.PSL = "logiciel";
  p.Category_Chk = true;
  p.CategoryCondition = " Company_ID in (select Company_ID from Company_SubCat where  MainCat_Code='Agri')";
  const std::string company = BuildCompanySQL(p), contact = BuildContactSQL(p), where = BuildConditions(p);
  EXPECT_EQ(LikeFoldOf(p), LikeFold::Case);
  p.IgnoreAccents_Chk = true;
  EXPECT_EQ(LikeFoldOf(p), kAccents);
  EXPECT_EQ(BuildCompanySQL(p), company);
  EXPECT_EQ(BuildContactSQL(p), contact);
  EXPECT_EQ(BuildConditions(p), where);
}

TEST(IgnoreAccents, PanelSearchesOverTheDirectory) {
  orbisk::testing::TempFolder folder;
  const std::string path = orbisk::testing::WriteSmallDirectory(folder.Path());
  Connection c;
  c.SetConnectionString("Data Source=" + path);
  auto names = [&](const SearchPanel& p) {
    Query q("Company_Q", &c);
    q.SetSQL(BuildCompanySQL(p));
    q.SetLikeFold(LikeFoldOf(p));
    q.Open();
    std::vector<std::string> out;
    for (q.First(); !q.Eof(); q.Next()) out.push_back(q.FieldByName("Company_Name").AsString());
    return out;
  };
  SearchPanel p;
  p.Location_Chk = true;
  p.Location = "montreal";
  EXPECT_TRUE(names(p).empty());
  p.IgnoreAccents_Chk = true;
  EXPECT_EQ(names(p), std::vector<std::string>{"Société Générale Québec"});
  p.Location_Chk = false;
  p.CompanyName_Chk = true;
  p.CompanyName = "e";  // the initial form: ÉTOILE Bakery
  EXPECT_EQ(names(p), std::vector<std::string>{"ÉTOILE Bakery"});
  p.IgnoreAccents_Chk = false;
  EXPECT_TRUE(names(p).empty());
  p.CompanyName = "generale";
  EXPECT_TRUE(names(p).empty());
  p.IgnoreAccents_Chk = true;
  EXPECT_EQ(names(p), std::vector<std::string>{"Société Générale Québec"});
  p.CompanyName_Chk = false;
  p.PSL_Chk = true;
  p.PSL = "LOGICIEL COMPTÂBLE";
  EXPECT_EQ(names(p), std::vector<std::string>{"Société Générale Québec"});
}
