#include "AccessSink.h"

#include <stdexcept>

#include "data/jet/JetSchema.h"

namespace orbisk::gensample {

namespace {
// Every object of the file is stamped 2005-01-01 rather than with the time of
// the run, so that the same count and seed give the same file.
constexpr double kCreated = 38353.0;
}  // namespace

AccessSink::AccessSink(const std::string& path) : writer_(path, jet::JetWriter::Mode::CreateNew, kCreated) {}

void AccessSink::BeginTable(const SchemaTable& table) {
  table_ = writer_.CreateTable(jet::JetTableFor(table));
  values_.assign(table.columns.size(), Value());
}

void AccessSink::AddRow(const Row& row) {
  if (table_ < 0) throw std::logic_error("a row outside of a table");
  for (size_t i = 0; i < row.size(); ++i) {
    const Cell& c = row[i];
    switch (c.kind) {
      case Cell::Kind::Null: values_[i] = Value(); break;
      case Cell::Kind::Integer: values_[i] = Value(c.integer); break;
      case Cell::Kind::Text: values_[i] = Value(c.text); break;
    }
  }
  writer_.AppendRow(table_, values_);
}

void AccessSink::EndTable() { table_ = -1; }

void AccessSink::AddIndex(const SchemaTable&, std::string_view) {}

void AccessSink::Finish() { writer_.Commit(); }

}  // namespace orbisk::gensample
