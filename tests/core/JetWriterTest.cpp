#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "JetTestSupport.h"
#include "TestDirectory.h"
#include "data/jet/JetPageFile.h"
#include "data/jet/JetRow.h"
#include "data/jet/JetText.h"
#include "data/jet/JetUsageMap.h"
#include "data/jet/JetValue.h"
#include "data/jet/JetWriter.h"

using namespace orbisk::jet;
using orbisk::Blob;
using orbisk::Value;
using orbisk::testing::CopyInto;
using orbisk::testing::FileBytes;
using orbisk::testing::ReadWithLibmdb;
using orbisk::testing::TablesWithLibmdb;
using orbisk::testing::TempFolder;

namespace {

const std::string& kAccessDir = orbisk::testing::kAccessTestFiles;

std::string Hex(std::string_view bytes) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (unsigned char c : bytes) s += digits[c >> 4], s += digits[c & 15];
  return s;
}

// The stored bytes of a value, "refused" when the column does not take it.
std::string Stored(const ColumnDef& c, const Value& v) {
  std::string out;
  try {
    return EncodeValue(c, v, out) ? Hex(out) : "null";
  } catch (const RowRefused&) {
    return "refused";
  }
}

std::string Text(const char* s) { return std::string(s); }

// The little-endian bytes of a number, in hex.
template <typename T>
std::string LE(T v) {
  std::string s(sizeof v, '\0');
  std::memcpy(s.data(), &v, sizeof v);
  return Hex(s);
}

}  // namespace

TEST(JetWriter, RefusesFilesItCannotWriteAndLeavesThemAlone) {
  const std::string kAceRefused =
      "Exporting into Access 2007 and later files (.accdb) is not supported; choose an .mdb file.";
  TempFolder tmp;
  const std::string base = FileBytes(kAccessDir + "emptyJet4.mdb");
  auto withHeader = [&](auto change) {
    PageFile f = PageFile::Load(kAccessDir + "emptyJet4.mdb");
    std::string bytes = base;
    Page header = f.At(0);
    MaskHeader(header);
    change(header);
    MaskHeader(header);
    std::memcpy(bytes.data(), header.data(), kPageSize);
    return bytes;
  };
  struct Case {
    std::string name, bytes, message;
  } cases[] = {
      {"notes.txt", "Dear diary,\r\nthis is not a database.\r\n", "is not an Access database."},
      {"jet3.mdb", [&] { std::string b = base; b[0x14] = 0; return b; }(), "is an Access 97 database"},
      {"ace.accdb", [&] { std::string b = base; b.replace(4, 15, "Standard ACE DB"); return b; }(), kAceRefused},
      {"directory-200.accdb", FileBytes(kAccessDir + "directory-200.accdb"), kAceRefused},
      {"test2V2007.accdb", FileBytes(kAccessDir + "test2V2007.accdb"), kAceRefused},
      {"locked.mdb", withHeader([](Page& h) { Put32(&h[0x3E], 0x12345678); }), "is encrypted"},
      {"cut.mdb", base.substr(0, 3 * kPageSize + 100), "is damaged"},
      {"empty.mdb", "", "is not an Access database."},
  };
  for (const Case& c : cases) {
    std::string path = tmp.Path() + c.name;
    std::ofstream(path, std::ios::binary) << c.bytes;
    try {
      JetWriter w(path);
      ADD_FAILURE() << c.name << " was accepted";
    } catch (const JetError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.name << ": " << e.what();
      if (c.message != kAceRefused) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
      }
    }
    EXPECT_EQ(FileBytes(path), c.bytes) << c.name;
  }
  EXPECT_THROW(JetWriter(tmp.Path() + "missing.mdb"), JetError);
  EXPECT_FALSE(std::filesystem::exists(tmp.Path() + "missing.mdb"));
}

TEST(JetWriter, NothingReachesTheFileBeforeCommit) {
  TempFolder tmp;
  std::string path = tmp.Path() + "db.mdb";
  CopyInto(kAccessDir + "emptyJet4.mdb", path);
  {
    JetWriter w(path);
    int t = w.CreateTable({"Company", {LongColumn("Id")}});
    w.AppendRow(t, {1});
  }
  EXPECT_EQ(FileBytes(path), FileBytes(kAccessDir + "emptyJet4.mdb"));
  { JetWriter w(tmp.Path() + "new.mdb", JetWriter::Mode::CreateNew); }
  EXPECT_FALSE(std::filesystem::exists(tmp.Path() + "new.mdb"));

  // Committing twice writes what was added in between.
  JetWriter w(path);
  int t = w.CreateTable({"Company", {LongColumn("Id")}});
  w.AppendRow(t, {1});
  w.Commit();
  w.AppendRow(t, {2});
  w.Commit();
  auto read = ReadWithLibmdb(path, "Company");
  ASSERT_EQ(read.rows.size(), 2u);
  EXPECT_EQ(read.countInDefinition, 2);
  EXPECT_EQ(*read.rows[1][0], "2");
}

TEST(JetTables, NamesThatExistOrCannotBeIndexedAreRefused) {
  TempFolder tmp;
  std::string path = tmp.Path() + "db.mdb";
  JetWriter w(path, JetWriter::Mode::CreateNew);
  auto refusal = [&](const std::string& name) {
    try {
      w.CreateTable({name, {LongColumn("Id")}});
      return std::string("accepted");
    } catch (const JetError& e) {
      return std::string(e.what());
    }
  };
  EXPECT_EQ(refusal("MSysObjects"), "Table 'MSysObjects' already exists.");
  EXPECT_EQ(refusal("Company_Info 2"), "accepted");
  EXPECT_EQ(refusal("company_INFO 2"), "Table 'company_INFO 2' already exists.");
  EXPECT_NE(refusal("Café").find("letters, digits, '_' and blanks"), std::string::npos);
  EXPECT_NE(refusal("A-B").find("letters, digits, '_' and blanks"), std::string::npos);
  EXPECT_NE(refusal(std::string(65, 'x')).find("at most 64"), std::string::npos);
  EXPECT_EQ(refusal(std::string(64, 'x')), "accepted");
  EXPECT_NE(refusal("").find("not a valid table name"), std::string::npos);
  EXPECT_EQ(refusal("KWXZ kwxz 0123456789"), "accepted");
  EXPECT_TRUE(w.HasTable("COMPANY_info 2"));
  w.Commit();
  std::vector<std::string> names = TablesWithLibmdb(path);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Company_Info 2", "KWXZ kwxz 0123456789", std::string(64, 'x')}));
}

TEST(JetTables, ColumnDefinitionsAreChecked) {
  JetWriter w("unused.mdb", JetWriter::Mode::CreateNew);
  auto refusal = [&](std::vector<ColumnDef> columns) {
    try {
      w.CreateTable({"T", std::move(columns)});
      return std::string("accepted");
    } catch (const JetError& e) {
      return std::string(e.what());
    }
  };
  EXPECT_EQ(refusal({LongColumn("a"), TextColumn("A", 5)}), "Field 'A' already exists in table 'T'.");
  EXPECT_EQ(refusal({TextColumn("a", 256)}), "Size of field 'a' is too long.");
  EXPECT_EQ(refusal({TextColumn("a", 0)}), "Size of field 'a' is too long.");
  EXPECT_NE(refusal({}).find("at least one column"), std::string::npos);
  EXPECT_NE(refusal({LongColumn("a.b")}).find("not a valid field name"), std::string::npos);
  ColumnDef counterText = TextColumn("a", 5);
  counterText.autoNumber = true;
  EXPECT_NE(refusal({counterText}).find("auto-number"), std::string::npos);
  std::vector<ColumnDef> many;
  for (int i = 0; i < 256; ++i) many.push_back(LongColumn("c" + std::to_string(i)));
  EXPECT_NE(refusal(many).find("at most 255"), std::string::npos);
  many.pop_back();
  EXPECT_EQ(refusal(many), "accepted");
}

TEST(JetValues, ConversionsFollowTheColumnType) {
  ColumnDef byte = Column("b", ColumnType::Byte), integer = IntegerColumn("i"), longInt = LongColumn("l");
  ColumnDef money = Column("m", ColumnType::Money), single = Column("s", ColumnType::Single);
  ColumnDef date = Column("d", ColumnType::DateTime), bit = Column("y", ColumnType::Bit);
  ColumnDef text3 = TextColumn("t", 3), char4 = FixedTextColumn("c", 4), memo = MemoColumn("memo");
  ColumnDef ole = Column("o", ColumnType::Ole);
  struct Case {
    const ColumnDef* column;
    Value value;
    std::string stored;
  } cases[] = {
      {&byte, 255, "ff"}, {&byte, 256, "refused"}, {&byte, -1, "refused"}, {&byte, Value(), "null"},
      {&integer, -32768, LE<int16_t>(-32768)}, {&integer, 32768, "refused"}, {&integer, Text(" 12 "), LE<int16_t>(12)},
      {&integer, 2.5, LE<int16_t>(2)}, {&integer, 3.5, LE<int16_t>(4)}, {&integer, Text("x1"), "refused"},
      {&longInt, INT32_MIN, LE<int32_t>(INT32_MIN)}, {&longInt, int64_t{1} << 31, "refused"},
      {&longInt, Text("-7"), LE<int32_t>(-7)},
      {&money, -12.3456, LE<int64_t>(-123456)}, {&money, Text("0.00005"), LE<int64_t>(1)},
      {&money, Text("-1.23455"), LE<int64_t>(-12346)}, {&money, 5, LE<int64_t>(50000)},
      {&money, Text("922337203685477.5807"), LE<int64_t>(INT64_MAX)}, {&money, 1e16, "refused"},
      {&money, Blob{"x"}, "refused"},
      {&single, 1.5, LE<float>(1.5f)}, {&single, 1e39, "refused"}, {&single, Text("2"), LE<float>(2.0f)},
      {&date, Text("1899-12-30"), LE(0.0)}, {&date, Text("1900-01-01 12:00:00"), LE(2.5)},
      {&date, Text("1899-12-29T06:00"), LE(-1.25)}, {&date, Text("13:30"), LE(0.5625)},
      {&date, Text("2024-02-30"), "refused"}, {&date, Text("2023-02-29"), "refused"}, {&date, 2.5, LE(2.5)},
      {&bit, Text("Yes"), "01"}, {&bit, Text("off"), "00"}, {&bit, -1, "01"}, {&bit, Value(), "00"},
      {&bit, Text("maybe"), "refused"},
      {&text3, Text("abcd"), "refused"}, {&text3, Text("abc"), "fffe616263"}, {&text3, Text("ab"), "61006200"},
      {&text3, Text("Zoë"), "fffe5a6feb"}, {&text3, Text("Łód"), "4101f3006400"}, {&text3, Text("日本語"), "e5652c679e8a"},
      {&text3, 42, "34003200"}, {&text3, Text(""), ""}, {&text3, Blob{"ab"}, "refused"},
      {&text3, Text("a\xF0\x9F\x98\x80"), "61003dd800de"},  // a surrogate pair counts two
      {&char4, Text("ab"), "6100620020002000"}, {&char4, Text("abcde"), "refused"},
      {&ole, Blob{std::string("\0\1", 2)}, "0001"}, {&ole, Text("AB"), "4142"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Stored(*c.column, c.value), c.stored) << c.column->name << " <- " << c.value.AsText();
  // A memo has no length limit; beyond 1024 characters it is stored as UCS-2.
  EXPECT_EQ(Stored(memo, Value(std::string(5000, 'x'))).size(), 2u * 2 * 5000);
}

TEST(JetText, CompressedOnlyForThreeTo1024Latin1Characters) {
  EXPECT_EQ(Hex(EncodeText(u"ab", true)), "61006200");
  EXPECT_EQ(Hex(EncodeText(u"abc", true)), "fffe616263");
  EXPECT_EQ(Hex(EncodeText(u"abc", false)), "610062006300");
  EXPECT_EQ(Hex(EncodeText(u"a\u00ffc", true)), "fffe61ff63");
  EXPECT_EQ(Hex(EncodeText(u"a\u0100c", true)), "610000016300");
  EXPECT_EQ(Hex(EncodeText(std::u16string(u"a\0c", 3), true)), "610000006300");
  EXPECT_EQ(EncodeText(std::u16string(1024, u'x'), true).size(), 1026u);
  EXPECT_EQ(EncodeText(std::u16string(1025, u'x'), true).size(), 2050u);
  // Reading back both forms, including the switches to UCS-2 other writers use.
  EXPECT_EQ(DecodeText(EncodeText(u"Montréal", true)), u"Montréal");
  EXPECT_EQ(DecodeText(std::string("\xFF\xFE" "ab\0\x01\x01\0c", 9)), u"ab\u0101c");
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("Zoë \xF0\x9F\x98\x80 \xFF")), "Zoë \xF0\x9F\x98\x80 \xEF\xBF\xBD");
}

TEST(JetRows, EveryTypeAndEveryNullReadsBack) {
  TempFolder tmp;
  std::string path = tmp.Path() + "types.mdb";
  JetWriter w(path, JetWriter::Mode::CreateNew);
  int t = w.CreateTable({"AllTypes",
                         {CounterColumn("Id"), Column("Flag", ColumnType::Bit), Column("Small", ColumnType::Byte),
                          IntegerColumn("Int"), LongColumn("Lng"), Column("Amount", ColumnType::Money),
                          Column("Sng", ColumnType::Single), Column("Dbl", ColumnType::Double),
                          Column("Stamp", ColumnType::DateTime), TextColumn("Name", 40), FixedTextColumn("Code", 3),
                          MemoColumn("Notes"), Column("Blob", ColumnType::Ole)}});
  w.AppendRow(t, {nullptr, true, 200, -300, 70000, -12.3456, 1.5, -2.25, "2024-02-29 13:45:10", "Ça va", "QC",
                  "Line 1\r\nLine 2", Blob{std::string("\x00\xFF", 2)}});
  w.AppendRow(t, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                  nullptr, nullptr});
  w.AppendRow(t, {nullptr, false, 0, 0, 0, 0, 0.0, 0.0, "1899-12-30", "Ελληνικά 日本", "ABC", std::string(3000, 'z'),
                  Blob{std::string(100, '\x7F')}});
  w.Commit();
  auto read = ReadWithLibmdb(path, "AllTypes");
  ASSERT_EQ(read.rows.size(), 3u);
  using R = std::vector<std::optional<std::string>>;
  auto n = std::nullopt;
  EXPECT_EQ(read.rows[0], (R{"1", "1", "200", "-300", "70000", "-12.3456", "1.5", "-2.25", "2024-02-29 13:45:10",
                             "Ça va", "QC ", "Line 1\r\nLine 2", std::string("\x00\xFF", 2)}));
  EXPECT_EQ(read.rows[1], (R{"2", "0", n, n, n, n, n, n, n, n, n, n, n}));
  EXPECT_EQ(read.rows[2], (R{"3", "0", "0", "0", "0", "0.0000", "0", "0", "1899-12-30 00:00:00", "Ελληνικά 日本",
                             "ABC", std::string(3000, 'z'), std::string(100, '\x7F')}));
}

TEST(JetLongValues, InlineSingleRowAndChainedValuesReadBack) {
  TempFolder tmp;
  std::string path = tmp.Path() + "long.mdb";
  JetWriter w(path, JetWriter::Mode::CreateNew);
  int t = w.CreateTable({"Longs", {LongColumn("Len"), Column("Data", ColumnType::Ole), MemoColumn("Wide")}});
  // Stored lengths around the limits: 64 inline, 4076 in one row, longer chained.
  const size_t lengths[] = {0, 1, 64, 65, 4076, 4077, 8144, 8145, 8152, 8153, 20000};
  for (size_t len : lengths) {
    std::string bytes(len, '\0');
    for (size_t i = 0; i < len; ++i) bytes[i] = static_cast<char>(i * 7 % 251);
    std::string wide;  // non-Latin-1 text: two bytes a character
    for (size_t i = 0; i < len / 2; ++i) wide += "ā";
    w.AppendRow(t, {static_cast<int64_t>(len), Blob{bytes}, wide});
  }
  w.Commit();

  auto read = ReadWithLibmdb(path, "Longs");
  ASSERT_EQ(read.rows.size(), std::size(lengths));
  PageFile f = PageFile::Load(path);
  TableInfo info = ReadTableInfo(f, 16);  // the first page after the 16 of a new database
  RowLayout layout = MakeRowLayout(info.columns);
  std::vector<std::vector<std::optional<std::string>>> stored;
  for (uint32_t page : ReadUsageMap(f, info.ownedMap))
    for (int r = 0; r < DataRowCount(f.At(page)); ++r) stored.push_back(DecodeRow(layout, ReadRow(f, page, r)));
  ASSERT_EQ(stored.size(), std::size(lengths));
  for (size_t i = 0; i < std::size(lengths); ++i) {
    size_t len = lengths[i];
    const auto& row = read.rows[i];
    std::string wide;
    for (size_t k = 0; k < len / 2; ++k) wide += "ā";
    ASSERT_TRUE(row[1]) << len;  // empty, not null, for length 0
    EXPECT_EQ(row[1]->size(), len);
    if (len > 0) {
      EXPECT_EQ((*row[1])[len - 1], static_cast<char>((len - 1) * 7 % 251));
    }
    if (len >= 2) {
      EXPECT_EQ(row[2].value_or(""), wide) << len;
    }
    uint8_t flag = static_cast<uint8_t>((*stored[i][1])[3]);
    uint8_t expected = len <= 64 ? 0x80 : len <= 4076 ? 0x40 : 0x00;
    EXPECT_EQ(flag, expected) << "long value of " << len << " bytes";
  }
  EXPECT_EQ(info.longValues.size(), 2u);
  EXPECT_FALSE(ReadUsageMap(f, info.longValues[0].owned).empty());
}

TEST(JetRows, RefusedRowsLeaveTheTableAsItWas) {
  TempFolder tmp;
  std::string path = tmp.Path() + "refused.mdb";
  JetWriter w(path, JetWriter::Mode::CreateNew);
  std::vector<ColumnDef> columns{CounterColumn("Id")};
  for (int i = 0; i < 9; ++i) columns.push_back(TextColumn("T" + std::to_string(i), 255));
  for (int i = 0; i < 60; ++i) columns.push_back(MemoColumn("M" + std::to_string(i)));
  ColumnDef required = LongColumn("Must");
  required.required = true;
  columns.push_back(required);
  int t = w.CreateTable({"Wide", columns});
  auto row = [&](const std::string& text, const std::string& memo, Value must) {
    std::vector<Value> v{nullptr};
    for (int i = 0; i < 9; ++i) v.emplace_back(text);
    for (int i = 0; i < 60; ++i) v.emplace_back(memo);
    v.push_back(std::move(must));
    return v;
  };
  std::string greek(255, 'x');
  std::string greekText;
  for (int i = 0; i < 255; ++i) greekText += "λ";
  EXPECT_THROW(w.AppendRow(t, row(greekText, "m", 1)), RowRefused);  // 9 x 510 bytes: too long for a page
  EXPECT_THROW(w.AppendRow(t, row("a", "m", nullptr)), RowRefused);   // a required column left empty
  EXPECT_THROW(w.AppendRow(t, row(greek + "x", "m", 1)), RowRefused); // 256 characters in Text(255)
  EXPECT_EQ(w.RowCount(t), 0);
  // Sixty 60-byte memos do not fit the row inline, so they all move out of it.
  w.AppendRow(t, row("a", std::string(60, 'q'), 1));
  w.AppendRow(t, row(greek, "m", 2));
  w.Commit();
  auto read = ReadWithLibmdb(path, "Wide");
  ASSERT_EQ(read.rows.size(), 2u);
  EXPECT_EQ(read.rows[0][0], "1");  // refused rows took no number
  EXPECT_EQ(read.rows[0][10], std::string(60, 'q'));
  EXPECT_EQ(read.rows[0][69], std::string(60, 'q'));
  EXPECT_EQ(read.rows[1][9], greek);
}

TEST(JetRows, AutoNumbersGoOnFromTheHighestValue) {
  TempFolder tmp;
  std::string path = tmp.Path() + "counter.mdb";
  JetWriter w(path, JetWriter::Mode::CreateNew);
  int t = w.CreateTable({"Counted", {CounterColumn("Id"), TextColumn("Name", 10)}});
  w.AppendRow(t, {nullptr, "a"});
  w.AppendRow(t, {nullptr, "b"});
  w.AppendRow(t, {10, "c"});
  w.AppendRow(t, {nullptr, "d"});
  w.AppendRow(t, {5, "e"});
  w.Commit();
  auto read = ReadWithLibmdb(path, "Counted");
  std::vector<std::string> ids;
  for (const auto& r : read.rows) ids.push_back(*r[0]);
  EXPECT_EQ(ids, (std::vector<std::string>{"1", "2", "10", "11", "5"}));
  PageFile f = PageFile::Load(path);
  EXPECT_EQ(ReadTableInfo(f, 16).autoNumber, 11u);
  EXPECT_EQ(ReadTableInfo(f, 16).columns[0].flags, kColumnFixed | kColumnUpdatable | kColumnAutoNumber);
}
