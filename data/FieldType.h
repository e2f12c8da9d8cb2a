#pragma once
// Field types of the dataset layer. The order and names follow the classic
// database-component enumeration, so the writers can classify fields by them.
#include <string_view>

namespace orbisk {

enum TFieldType {
  ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat,
  ftCurrency, ftBCD, ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes,
  ftAutoInc, ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle,
  ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,
  ftLargeint, ftADT, ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob,
  ftVariant, ftInterface, ftIDispatch, ftGuid, ftTimeStamp, ftFMTBcd
};

std::string_view FieldTypeName(TFieldType type);

inline bool IsTextFieldType(TFieldType t) {
  return t == ftString || t == ftWideString || t == ftFixedChar;
}
inline bool IsMemoFieldType(TFieldType t) { return t == ftMemo || t == ftFmtMemo; }
inline bool IsIntegerFieldType(TFieldType t) {
  return t == ftSmallint || t == ftInteger || t == ftWord || t == ftAutoInc || t == ftLargeint;
}

}  // namespace orbisk
