#pragma once

// SQL type codes as ODBC numbers them, and the codes the DB2 CLI adds for its own types.
// Backend-neutral, so the layers above the ODBC backend name a column's type without the
// ODBC headers.
namespace tw::db::sqltype {

inline constexpr int Char = 1;
inline constexpr int Numeric = 2;
inline constexpr int Decimal = 3;
inline constexpr int Integer = 4;
inline constexpr int SmallInt = 5;
inline constexpr int Float = 6;
inline constexpr int Real = 7;
inline constexpr int Double = 8;
inline constexpr int VarChar = 12;
inline constexpr int Date = 91;
inline constexpr int Time = 92;
inline constexpr int Timestamp = 93;
inline constexpr int LongVarChar = -1;
inline constexpr int Binary = -2;
inline constexpr int VarBinary = -3;
inline constexpr int LongVarBinary = -4;
inline constexpr int BigInt = -5;
inline constexpr int WChar = -8;
inline constexpr int WVarChar = -9;
inline constexpr int WLongVarChar = -10;

// The DB2 CLI's own.
inline constexpr int Boolean = 16;
inline constexpr int Graphic = -95;
inline constexpr int VarGraphic = -96;
inline constexpr int LongVarGraphic = -97;
inline constexpr int Blob = -98;
inline constexpr int Clob = -99;
inline constexpr int DbClob = -350;
inline constexpr int DecFloat = -360;
inline constexpr int Xml = -370;

} // namespace tw::db::sqltype
