// The statement tokenizer that the Jet translation and the parameter list
// share: both must read quotes, brackets and comments as the engine does.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "TestDirectory.h"
#include "data/Connection.h"
#include "data/JetSql.h"
#include "data/Query.h"
#include "data/SqlTokens.h"
#include "strutil/TextUtil.h"

using namespace orbisk;
using orbisk::testing::Exec;

namespace {

using Names = std::vector<std::string>;

// Statements with a :name hidden in every kind of quote and comment.
const char* const kStatements[] = {
    "select `a:b` from t where id = :id",
    "select [a:b] from t where id = :id",
    "select \"a:b\" from t where id = :id",
    "select id from t where \"a:b\" = ':nope' and id = :id",
    "select id from t where \"a:b\" = 'it''s :nope' and id = :id",
    "select `a``:b` from t where id = :id",
    "select id from t -- the owner's :nope\nwhere id = :id",
    "select id from t /* :nope's */ where id = :Id and id <> :ID and :second is null",
    "select top 2 `top 3 :x` from t where id = :id",
    "select id from t where id = :id$1 or id = :é",
    "select id from t where id=:id and`a:b`=:v",
};

// The parameter names the engine itself finds in the translated statement,
// each once, ignoring case as the query's parameters do.
Names EngineParameters(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, TranslateJetSql(sql).c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sql << ": " << EngineError(db);
    return {};
  }
  Names names;
  for (int i = 1, n = sqlite3_bind_parameter_count(stmt); i <= n; ++i) {
    const char* name = sqlite3_bind_parameter_name(stmt, i);
    bool known = false;
    for (const auto& k : names) known = known || EqualsNoCaseAscii(k, name + 1);
    if (!known) names.emplace_back(name + 1);
  }
  sqlite3_finalize(stmt);
  return names;
}

}  // namespace

TEST(SqlTokens, NamesInsideQuotesBracketsAndCommentsAreNoParameters) {
  EXPECT_EQ(SqlParameterNames(kStatements[0]), Names{"id"});
  EXPECT_EQ(SqlParameterNames(kStatements[1]), Names{"id"});
  EXPECT_EQ(SqlParameterNames(kStatements[3]), Names{"id"});
  EXPECT_EQ(SqlParameterNames(kStatements[6]), Names{"id"});
  // The first spelling of a name is the one kept.
  EXPECT_EQ(SqlParameterNames(kStatements[7]), (Names{"Id", "second"}));
  EXPECT_EQ(SqlParameterNames(kStatements[9]), (Names{"id$1", "é"}));
  EXPECT_EQ(SqlParameterNames(kStatements[10]), (Names{"id", "v"}));
  // Unclosed quotes and comments run to the end of the text.
  EXPECT_EQ(SqlParameterNames("select :a, 'x :b"), Names{"a"});
  EXPECT_EQ(SqlParameterNames("select :a, [x :b"), Names{"a"});
  EXPECT_EQ(SqlParameterNames("select :a /* :b"), Names{"a"});
  EXPECT_EQ(SqlParameterNames("select :a, `x :b"), Names{"a"});
  // A lone colon and a colon before a blank are no parameters.
  EXPECT_EQ(SqlParameterNames("select a : b, ':'"), Names{});
  EXPECT_EQ(SqlParameterNames("select :"), Names{});
}

TEST(SqlTokens, TheParametersAreThoseTheEngineFinds) {
  Connection c;
  c.OpenMemory();
  Exec(c.Handle(), "CREATE TABLE t (id INTEGER, \"a:b\" TEXT, \"a`:b\" TEXT, \"top 3 :x\" TEXT)");
  for (const char* sql : kStatements) EXPECT_EQ(SqlParameterNames(sql), EngineParameters(c.Handle(), sql)) << sql;
}

TEST(SqlTokens, TheTranslationLeavesQuotedAndCommentedTextAlone) {
  // Only the select's own "top" becomes a limit: not the one in a quoted name.
  EXPECT_EQ(TranslateJetSql("select top 2 `top 3 :x` from t"), "select  `top 3 :x` from t LIMIT 2");
  EXPECT_EQ(TranslateJetSql("select /* top 5 */ a from t"), "select /* top 5 */ a from t");
  // The limit goes before a trailing comment, where it would be commented out.
  EXPECT_EQ(TranslateJetSql("select top 5 a from t -- the first five"), "select  a from t LIMIT 5 -- the first five");
  EXPECT_EQ(TranslateJetSql("select top 5 a from t /* first */ ;\n"), "select  a from t LIMIT 5 /* first */ ;\n");
}

TEST(SqlTokens, AQueryBindsOnlyTheParametersOutsideQuotesAndComments) {
  Connection c;
  c.OpenMemory();
  Exec(c.Handle(),
       "CREATE TABLE t (id INTEGER, \"a:b\" TEXT);"
       "INSERT INTO t VALUES (1, 'one'), (2, 'two');");
  Query q("Test_Q", &c);
  // An apostrophe in a comment opens no literal: :id after it is a parameter.
  q.SetSQL("select `a:b` from t -- the owner's list\nwhere id = :id");
  EXPECT_FALSE(q.HasParam("b"));
  ASSERT_EQ(q.Params().size(), 1u);
  q.SetParam("ID", Value(int64_t{2}));
  q.Open();
  ASSERT_EQ(q.RecordCount(), 1);
  EXPECT_EQ(q.Fields()[0].AsString(), "two");
  // Re-stated with the same name in another case, the parameter keeps its value.
  q.SetSQL("select [a:b] from t where id = :Id");
  EXPECT_EQ(q.Param("id").AsInteger(), 2);
  q.Open();
  EXPECT_EQ(q.Fields()[0].AsString(), "two");
}
