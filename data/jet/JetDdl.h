#pragma once
// Data definition in the Jet SQL dialect:
//   CREATE TABLE name ( [column] type [(size)] [NULL | NOT NULL] [WITH COMPRESSION], ... )
// Names are bare or in brackets. Types as Jet reads them:
//   VarChar(n), Text(n), Char(n) (fixed length)      Text(n); without a size (or 0) 255
//   Text, Memo, LongText, LongChar, Note             Memo
//   Int, Integer, Long, Int4                          Long Integer (32-bit)
//   SmallInt, Short, Int2                             Integer (16-bit)
//   Byte, TinyInt                                     Byte
//   Bit, YesNo, Logical, Boolean                      Yes/No
//   Float, Double, Float8, Number                     Double
//   Real, Single, Float4                              Single
//   Money, Currency                                   Currency
//   DateTime, Date, Time, TimeStamp                   Date/Time
//   Image, LongBinary, OleObject, General             OLE Object
//   Binary(n), VarBinary(n)                           Binary(n)
//   Counter, AutoIncrement                            Long Integer, auto-number
#include <string_view>

#include "data/jet/JetWriter.h"

namespace orbisk::jet {

// Throws JetError with Jet's own texts: "Syntax error in CREATE TABLE
// statement.", "Syntax error in field definition.", "Size of field '<name>' is
// too long."
TableDef ParseCreateTable(std::string_view statement);

// The table of "Select * from <table>" (bare or bracketed name, optional ';').
// Throws JetError for anything else.
std::string ParseSelectAll(std::string_view statement);

}  // namespace orbisk::jet
