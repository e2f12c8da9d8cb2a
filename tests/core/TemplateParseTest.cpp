#include <gtest/gtest.h>

#include <stdlib.h>

#include <fstream>
#include <stdexcept>
#include <string>

#include "export/TemplateProccessor.h"

using namespace orbisk;

namespace {

std::string ErrorOf(const std::string& text, int kind) {
  TTextTemplate t;
  try {
    ParseTemplate(t, text, kind);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

// Literal text of a piece list, tokens written as [name].
std::string Show(const TTextPieceArray& pieces) {
  std::string s;
  for (const auto& p : pieces) s += p.Kind == 1 ? "[" + p.FieldName + "]" : p.Text;
  return s;
}

TTextTemplate Parse(const std::string& text, int kind) {
  TTextTemplate t;
  EXPECT_TRUE(ParseTemplate(t, text, kind));
  return t;
}

std::string DetailHead(size_t totalLength) {
  // "<!--#DetailBegin" is 16 characters; pad with "=" and blanks to the length.
  std::string head = "<!--#DetailBegin=";
  head += std::string(totalLength - head.size() - 1, ' ') + "0";
  return head;
}

}  // namespace

TEST(TemplateParse, TextPiecesAndTokens) {
  auto pieces = ParseTextPieces("");
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].Kind, 0);
  EXPECT_EQ(pieces[0].Text, "");

  pieces = ParseTextPieces("a{$Company_Name class=x}");
  ASSERT_EQ(pieces.size(), 3u);  // a text ending with a token ends with an empty literal
  EXPECT_EQ(pieces[0].Text, "a");
  EXPECT_EQ(pieces[1].Kind, 1);
  EXPECT_EQ(pieces[1].FieldName, "Company_Name");
  EXPECT_EQ(pieces[1].Text, "");
  EXPECT_EQ(pieces[2].Kind, 0);
  EXPECT_EQ(pieces[2].Text, "");

  EXPECT_EQ(Show(ParseTextPieces("{$}|{$ x}|{$DetailBegin}|{$MasterBegin}|{$detailbegin}")),
            "[]|[]|[]|[]|[detailbegin]");
  // A lone end character is text; a name ends at the first space of its token.
  EXPECT_EQ(Show(ParseTextPieces("x}{$a}b{$c d}e")), "x}[a]b[c]e");
  // A start marker with no end character after it makes the rest literal.
  pieces = ParseTextPieces("a{$b}c{$d");
  EXPECT_EQ(Show(pieces), "a[b]c{$d");
  EXPECT_EQ(pieces.back().Kind, 0);
  // Names are cut to 255 characters.
  pieces = ParseTextPieces("{$" + std::string(300, 'n') + "}");
  EXPECT_EQ(pieces[0].FieldName.size(), 255u);
}

TEST(TemplateParse, TokenStyles) {
  SetTokenStyle(1);
  EXPECT_EQ(Show(ParseTextPieces("a<#Name x>b{$c}")), "a[Name]b{$c}");
  SetTokenStyle(2);
  EXPECT_EQ(Show(ParseTextPieces("[$Name]")), "[Name]");
  SetTokenStyle(7);  // unknown: unchanged
  EXPECT_EQ(Show(ParseTextPieces("[$Name]{$x}")), "[Name]{$x}");
  SetTokenStyle(0);
  EXPECT_EQ(Show(ParseTextPieces("[$Name]{$x}")), "[$Name][x]");
}

TEST(TemplateParse, BlockHeads) {
  bool repeat = true;
  EXPECT_EQ(ParseBlockHead("<!--#DetailBegin--><!--#DetailEnd-->", repeat), "");
  EXPECT_FALSE(repeat);
  EXPECT_EQ(ParseBlockHead("<!--#MasterBegin= 7\t Repeat-->x", repeat), "7");
  EXPECT_TRUE(repeat);
  EXPECT_EQ(ParseBlockHead("<!--#MasterBegin=2 rePEAT-->", repeat), "2");
  EXPECT_TRUE(repeat);
  // Cut before " Repeat" first: an "=" after it does not count.
  EXPECT_EQ(ParseBlockHead("<!--#MasterBegin Repeat=5-->", repeat), "");
  EXPECT_TRUE(repeat);
  EXPECT_EQ(ParseBlockHead("<!--#DetailBegin=a=b-->", repeat), "a=b");
  try {
    ParseBlockHead("<!--#DetailBegin=1>x", repeat);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Template token is not end with -->");
  }
}

TEST(TemplateParse, HeadOfFiftyCharactersIsTheLimit) {
  const std::string fifty = DetailHead(50), fiftyOne = DetailHead(51);
  ASSERT_EQ(fifty.size(), 50u);
  EXPECT_EQ(ErrorOf(fifty + "-->x<!--#DetailEnd-->", 1), "");
  EXPECT_EQ(ErrorOf(fiftyOne + "-->x<!--#DetailEnd-->", 1), "Template token head is too long");
  EXPECT_EQ(ErrorOf("<!--#MasterBegin" + std::string(35, ' ') + "-->x<!--#MasterEnd-->", 2),
            "Template token head is too long");
  // Without its own "-->" a head runs into the end marker's.
  EXPECT_EQ(ErrorOf("<!--#DetailBegin body that is long enough<!--#DetailEnd-->", 1),
            "Template token head is too long");
}

TEST(TemplateParse, MissingEndMarkers) {
  // At the very start of the text a lone begin marker is all header.
  TTextTemplate t = Parse("<!--#DetailBegin-->{$a}", 1);
  EXPECT_EQ(Show(t.Masters[0].Master.Pieces), "<!--#DetailBegin-->[a]");
  EXPECT_TRUE(t.Masters[0].Master.Details.empty());

  EXPECT_EQ(ErrorOf("head<!--#DetailBegin-->x", 1), "Not Find Detail Block!");
  EXPECT_EQ(ErrorOf("<!--#DetailBegin-->x<!--#DetailEnd-->tail<!--#DetailBegin-->y", 1),
            "Not Find Detail Block!");
  EXPECT_EQ(ErrorOf("head<!--#MasterBegin-->x", 2), "Not Find Master Block!");
  EXPECT_EQ(Show(Parse("<!--#MasterBegin-->x", 2).Head), "<!--#MasterBegin-->x");
  // Inside a master body the detail rules apply.
  EXPECT_EQ(ErrorOf("<!--#MasterBegin-->m<!--#DetailBegin-->d<!--#MasterEnd-->", 2),
            "Not Find Detail Block!");
}

TEST(TemplateParse, BlockNames) {
  TTextTemplate t = Parse("<!--#DetailBegin=0-->a<!--#DetailEnd--><!--#DetailBegin = 7 -->b"
                          "<!--#DetailEnd--><!--#DetailBegin-->c<!--#DetailEnd-->",
                          1);
  const auto& details = t.Masters[0].Master.Details;
  ASSERT_EQ(details.size(), 3u);
  EXPECT_EQ(details[0].Detail.Name, "0");
  EXPECT_EQ(details[1].Detail.Name, "7");
  EXPECT_EQ(details[2].Detail.Name, "");

  EXPECT_EQ(ErrorOf("<!--#DetailBegin=x7-->a<!--#DetailEnd-->", 1), "'x7' is not a valid integer value");
  EXPECT_EQ(ErrorOf("<!--#DetailBegin=7x-->a<!--#DetailEnd-->", 1), "'7x' is not a valid integer value");
  EXPECT_EQ(ErrorOf("<!--#DetailBegin=99999999999-->a<!--#DetailEnd-->", 1),
            "'99999999999' is not a valid integer value");
  EXPECT_EQ(ErrorOf("<!--#MasterBegin=x7 Repeat-->a<!--#MasterEnd-->", 2),
            "'x7' is not a valid integer value");
  EXPECT_EQ(ErrorOf("<!--#DetailBegin=-3-->a<!--#DetailEnd-->", 1), "");
  EXPECT_EQ(ErrorOf("<!--#DetailBegin=+3-->a<!--#DetailEnd-->", 1), "");
  // One sign at most.
  for (const char* name : {"+-5", "-+5", "++5", "--5", "+"})
    EXPECT_EQ(ErrorOf(std::string("<!--#DetailBegin=") + name + "-->a<!--#DetailEnd-->", 1),
              std::string("'") + name + "' is not a valid integer value")
        << name;
  // Only the first 32 characters of a name are kept.
  t = Parse("<!--#DetailBegin=" + std::string(32, '0') + "1-->a<!--#DetailEnd-->", 1);
  EXPECT_EQ(t.Masters[0].Master.Details[0].Detail.Name, std::string(32, '0'));
}

TEST(TemplateParse, DetailLayout) {
  TTextTemplate t = Parse("H{$h}<!--#DetailBegin-->B{$b}<!--#DetailEnd-->T1{$t}"
                          "<!--#DetailBegin=1--><!--#DetailEnd--><!--#DetailBegin=2-->C"
                          "<!--#DetailEnd--><!--#MasterBegin-->",
                          1);
  EXPECT_EQ(t.Kind, 1);
  EXPECT_TRUE(t.Head.empty());
  ASSERT_EQ(t.Masters.size(), 1u);
  const auto& m = t.Masters[0];
  EXPECT_EQ(m.Master.Name, "");
  EXPECT_FALSE(m.Master.Repeat);
  EXPECT_TRUE(m.Tail.empty());
  EXPECT_EQ(Show(m.Master.Pieces), "H[h]");
  ASSERT_EQ(m.Master.Details.size(), 3u);
  EXPECT_EQ(Show(m.Master.Details[0].Detail.Pieces), "B[b]");
  EXPECT_EQ(Show(m.Master.Details[0].Tail), "T1[t]");
  EXPECT_EQ(Show(m.Master.Details[1].Detail.Pieces), "");
  EXPECT_TRUE(m.Master.Details[1].Tail.empty());  // two blocks with nothing between them
  EXPECT_EQ(Show(m.Master.Details[2].Detail.Pieces), "C");
  EXPECT_EQ(Show(m.Master.Details[2].Tail), "<!--#MasterBegin-->");  // literal here

  // No header text: the header stays one empty piece; the body starts after the first '>'.
  t = Parse("<!--#DetailBegin x>y-->body<!--#DetailEnd-->", 1);
  EXPECT_EQ(Show(t.Masters[0].Master.Pieces), "");
  EXPECT_EQ(Show(t.Masters[0].Master.Details[0].Detail.Pieces), "y-->body");
  EXPECT_EQ(Show(t.Masters[0].Master.Details[0].Tail), "");
}

TEST(TemplateParse, MasterAndPlainLayout) {
  TTextTemplate t = Parse("Head<!--#DetailBegin-->{$x}<!--#DetailEnd-->"
                          "<!--#MasterBegin=3 Repeat-->M{$m}<!--#DetailBegin=4-->D<!--#DetailEnd-->DT"
                          "<!--#MasterEnd-->Tail<!--#MasterBegin-->N<!--#MasterEnd-->",
                          2);
  EXPECT_EQ(t.Kind, 2);
  EXPECT_EQ(Show(t.Head), "Head<!--#DetailBegin-->[x]<!--#DetailEnd-->");  // details are text here
  ASSERT_EQ(t.Masters.size(), 2u);
  EXPECT_EQ(t.Masters[0].Master.Name, "3");
  EXPECT_TRUE(t.Masters[0].Master.Repeat);
  EXPECT_EQ(Show(t.Masters[0].Master.Pieces), "M[m]");
  ASSERT_EQ(t.Masters[0].Master.Details.size(), 1u);
  EXPECT_EQ(t.Masters[0].Master.Details[0].Detail.Name, "4");
  EXPECT_EQ(Show(t.Masters[0].Master.Details[0].Tail), "DT");
  EXPECT_EQ(Show(t.Masters[0].Tail), "Tail");
  EXPECT_FALSE(t.Masters[1].Master.Repeat);
  EXPECT_EQ(Show(t.Masters[1].Tail), "");

  t = Parse("a{$b}<!--#DetailBegin-->c<!--#DetailEnd-->", 0);
  EXPECT_EQ(t.Kind, 0);
  ASSERT_EQ(t.Masters.size(), 1u);
  EXPECT_EQ(Show(t.Masters[0].Master.Pieces), "a[b]<!--#DetailBegin-->c<!--#DetailEnd-->");
  EXPECT_TRUE(t.Masters[0].Master.Details.empty());
}

TEST(TemplateParse, FailedParseLeavesTemplateUntouched) {
  TTextTemplate t = Parse("keep{$me}", 0);
  EXPECT_THROW(ParseTemplate(t, "x<!--#DetailBegin-->", 1), std::runtime_error);
  EXPECT_EQ(t.Kind, 0);
  EXPECT_EQ(Show(t.Masters[0].Master.Pieces), "keep[me]");
  EXPECT_FALSE(ParseTemplate(t, "x", 3));
  EXPECT_EQ(Show(t.Masters[0].Master.Pieces), "keep[me]");
}

TEST(TemplateParse, LoadingJoinsLinesWithCrLf) {
  char dir[] = "/tmp/orbisk-tmpl-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string folder = dir;
  TTextTemplate t = Parse("untouched", 0);
  EXPECT_FALSE(LoadTemplate(t, folder + "/missing.htm", 1));
  EXPECT_EQ(Show(t.Masters[0].Master.Pieces), "untouched");

  auto load = [&](const std::string& bytes) {
    std::ofstream(folder + "/Sub.htm", std::ios::binary) << bytes;
    TTextTemplate loaded;
    EXPECT_TRUE(LoadTemplate(loaded, folder + "/sub.htm", 0));  // letter case of the name ignored
    return Show(loaded.Masters[0].Master.Pieces);
  };
  EXPECT_EQ(load(""), "");
  EXPECT_EQ(load("a"), "a\r\n");
  EXPECT_EQ(load("a\nb\rc\r\nd"), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(load("a\r\n"), "a\r\n");
  EXPECT_EQ(load("a\n\n"), "a\r\n\r\n");
  EXPECT_EQ(load("\r\r\n"), "\r\n\r\n");
  std::remove((folder + "/Sub.htm").c_str());
  rmdir(dir);
}
