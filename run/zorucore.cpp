/*
** zorucore.cpp
**   Core-data records (create, clone, destroy) and the conversion table of
**   the column converters, registered with model/oconvert by
**   zorucoreInitModule.  The run step calls oconvertInitModule and then
**   zorucoreInitModule each time it prepares a SELECT's converter.
*/
#include "run/zorucore.h"

#include "model/zoratom.h"

#include <cstdlib>
#include <cstring>

#include "expr/zorcol.h"
#include "run/ixf.h"
#include "run/zorucorechar.h"
#include "run/zorucorecli.h"
#include "run/zorucoredate.h"
#include "run/zorucoredel.h"
#include "run/zorucoreixf.h"
#include "run/zorucoreprog.h"

#define OMSGS_TRACE_KEYWORD "$UCORE"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

/*
** The conversion table: one row per (source key, target key) pair that a
** column converter serves, in registration order, grouped by source key.
** Converters are added here as they are written; a pair without a row makes
** oconvertCreate fail with ZORI154E.
*/
const convertTabLine aconvertTabLine[] = {
  /* IXF record framing (run/ixf.h) */
  {0x004E, 0x8000, _zorucore_Ixf_Row_Header},
  {0xD04E, 0x8000, _zorucore_Ixf_Row_Header},
  {0x004D, 0x8000, _zorucore_Ixf_Row_End},
  {0xD04D, 0x8000, _zorucore_Ixf_Row_End},
  /* DEL converters (run/zorucoredel.h, run/zorucorechar.h, run/zorucoredate.h) */
  {0x004E, 0xB000, _zorucore_Const2Delimited},
  {0x0001, 0xB001, _zorucore_Smallint2Delimited},
  {0x0801, 0xB001, _zorucore_SmallintN2Delimited},
  {0x0002, 0xB002, _zorucore_Integer2Delimited},
  {0x0802, 0xB002, _zorucore_IntegerN2Delimited},
  {0x0003, 0xB003, _zorucore_Decimal2Delimited},
  {0x0803, 0xB003, _zorucore_DecimalN2Delimited},
  {0x0004, 0xB004, _zorucore_Double2Delimited},
  {0x0804, 0xB004, _zorucore_DoubleN2Delimited},
  {0x0005, 0xB005, _zorucore_Real2Delimited},
  {0x0805, 0xB005, _zorucore_RealN2Delimited},
  {0x0006, 0xB006, _zorucore_Biginteger2Delimited},
  {0x0806, 0xB006, _zorucore_BigintegerN2Delimited},
  {0x0007, 0xB007, _zorucore_Char2Delimited},
  {0x0007, 0xB207, _zorucore_Char2DelimitedConvert},
  {0x0007, 0xB107, _zorucore_Char2DelimitedDD},
  {0x0007, 0xB307, _zorucore_Char2DelimitedConvertDD},
  {0x0807, 0xB007, _zorucore_CharN2Delimited},
  {0x0807, 0xB207, _zorucore_CharN2DelimitedConvert},
  {0x0807, 0xB107, _zorucore_Char2DelimitedDD},
  {0x0807, 0xB307, _zorucore_Char2DelimitedConvertDD},
  {0x0008, 0xB008, _zorucore_Varchar2Delimited},
  {0x0008, 0xB208, _zorucore_Varchar2DelimitedConvert},
  {0x0008, 0xB108, _zorucore_Varchar2DelimitedDD},
  {0x0008, 0xB308, _zorucore_Varchar2DelimitedConvertDD},
  {0x0808, 0xB008, _zorucore_VarcharN2Delimited},
  {0x0808, 0xB208, _zorucore_VarcharN2DelimitedConvert},
  {0x0808, 0xB108, _zorucore_Varchar2DelimitedDD},
  {0x0808, 0xB308, _zorucore_Varchar2DelimitedConvertDD},
  {0x0009, 0xB009, _zorucore_Longvarchar2Delimited},
  {0x0009, 0xB209, _zorucore_Longvarchar2DelimitedConvert},
  {0x0009, 0xB109, _zorucore_Longvarchar2DelimitedDD},
  {0x0009, 0xB309, _zorucore_Longvarchar2DelimitedConvertDD},
  {0x0809, 0xB009, _zorucore_LongvarcharN2Delimited},
  {0x0809, 0xB209, _zorucore_LongvarcharN2DelimitedConvert},
  {0x0809, 0xB109, _zorucore_Longvarchar2DelimitedDD},
  {0x0809, 0xB309, _zorucore_Longvarchar2DelimitedConvertDD},
  {0x000A, 0xB031, _zorucore_DateA2Delimited},
  {0x000A, 0xB032, _zorucore_DateB2Delimited},
  {0x000A, 0xB033, _zorucore_DateA2Delimited},
  {0x000A, 0xB034, _zorucore_DateB2Delimited},
  {0x000A, 0xB035, _zorucore_DateA2Delimited},
  {0x000A, 0xB036, _zorucore_DateB2Delimited},
  {0x000A, 0xB037, _zorucore_DateG2Delimited},
  {0x000A, 0xB038, _zorucore_DateH2Delimited},
  {0x000A, 0xB039, _zorucore_Date2Delimited},
  {0x000A, 0xB03A, _zorucore_DateJ2Delimited},
  {0x000A, 0xB03B, _zorucore_Date2Delimited},
  {0x000A, 0xB03C, _zorucore_DateJ2Delimited},
  {0x000A, 0xB03D, _zorucore_Date2Delimited},
  {0x000A, 0xB03E, _zorucore_DateJ2Delimited},
  {0x000A, 0xB03F, _zorucore_DateO2Delimited},
  {0x000A, 0xB040, _zorucore_DateP2Delimited},
  {0x080A, 0xB031, _zorucore_DateAN2Delimited},
  {0x080A, 0xB032, _zorucore_DateBN2Delimited},
  {0x080A, 0xB033, _zorucore_DateAN2Delimited},
  {0x080A, 0xB034, _zorucore_DateBN2Delimited},
  {0x080A, 0xB035, _zorucore_DateAN2Delimited},
  {0x080A, 0xB036, _zorucore_DateBN2Delimited},
  {0x080A, 0xB037, _zorucore_DateGN2Delimited},
  {0x080A, 0xB038, _zorucore_DateHN2Delimited},
  {0x080A, 0xB039, _zorucore_DateN2Delimited},
  {0x080A, 0xB03A, _zorucore_DateJN2Delimited},
  {0x080A, 0xB03B, _zorucore_DateN2Delimited},
  {0x080A, 0xB03C, _zorucore_DateJN2Delimited},
  {0x080A, 0xB03D, _zorucore_DateN2Delimited},
  {0x080A, 0xB03E, _zorucore_DateJN2Delimited},
  {0x080A, 0xB03F, _zorucore_DateON2Delimited},
  {0x080A, 0xB040, _zorucore_DatePN2Delimited},
  {0x000B, 0xB041, _zorucore_Time2Delimited},
  {0x000B, 0xB042, _zorucore_TimeB2Delimited},
  {0x000B, 0xB043, _zorucore_TimeC2Delimited},
  {0x000B, 0xB044, _zorucore_TimeD2Delimited},
  {0x000B, 0xB045, _zorucore_TimeE2Delimited},
  {0x080B, 0xB041, _zorucore_TimeN2Delimited},
  {0x080B, 0xB042, _zorucore_TimeBN2Delimited},
  {0x080B, 0xB043, _zorucore_TimeCN2Delimited},
  {0x080B, 0xB044, _zorucore_TimeDN2Delimited},
  {0x080B, 0xB045, _zorucore_TimeEN2Delimited},
  {0x000C, 0xB046, _zorucore_TimestampA2Delimited},
  {0x000C, 0xB047, _zorucore_Timestamp2Delimited},
  {0x000C, 0xB048, _zorucore_TimestampC2Delimited},
  {0x000C, 0xB049, _zorucore_TimestampD2Delimited},
  {0x000C, 0xB04A, _zorucore_TimestampE2Delimited},
  {0x000C, 0xB04B, _zorucore_TimestampF2Delimited},
  {0x080C, 0xB046, _zorucore_TimestampAN2Delimited},
  {0x080C, 0xB047, _zorucore_TimestampN2Delimited},
  {0x080C, 0xB048, _zorucore_TimestampCN2Delimited},
  {0x080C, 0xB049, _zorucore_TimestampDN2Delimited},
  {0x080C, 0xB04A, _zorucore_TimestampEN2Delimited},
  {0x080C, 0xB04B, _zorucore_TimestampFN2Delimited},
  {0x0010, 0xB010, _zorucore_Blob2Delimited},
  {0x0010, 0xB410, _zorucore_Blob2Delimited},
  {0x0010, 0xB510, _zorucore_Blob2Delimited},
  {0x0810, 0xB010, _zorucore_BlobN2Delimited},
  {0x0810, 0xB410, _zorucore_BlobN2Delimited},
  {0x0810, 0xB510, _zorucore_BlobLlsN2Delimited},
  {0x0010, 0xB110, _zorucore_Blob2DelimitedDD},
  {0x0810, 0xB110, _zorucore_Blob2DelimitedDD},
  {0x0011, 0xB011, _zorucore_Clob2Delimited},
  {0x0011, 0xB111, _zorucore_Clob2DelimitedDD},
  {0x0011, 0xB211, _zorucore_Clob2DelimitedConvert},
  {0x0011, 0xB311, _zorucore_Clob2DelimitedConvertDD},
  {0x0011, 0xB411, _zorucore_Clob2Delimited},
  {0x0011, 0xB511, _zorucore_Clob2Delimited},
  {0x0011, 0xB611, _zorucore_Clob2Delimited},
  {0x0011, 0xB711, _zorucore_Clob2Delimited},
  {0x0811, 0xB011, _zorucore_ClobN2Delimited},
  {0x0811, 0xB111, _zorucore_Clob2DelimitedDD},
  {0x0811, 0xB211, _zorucore_ClobN2DelimitedConvert},
  {0x0811, 0xB311, _zorucore_Clob2DelimitedConvertDD},
  {0x0811, 0xB411, _zorucore_ClobN2Delimited},
  {0x0811, 0xB511, _zorucore_ClobLlsN2Delimited},
  {0x0811, 0xB611, _zorucore_ClobN2Delimited},
  {0x0811, 0xB711, _zorucore_ClobLlsN2Delimited},
  {0x0012, 0xB012, _zorucore_Dbclob2Delimited},
  {0x0012, 0xB212, _zorucore_Dbclob2DelimitedConvert},
  {0x0012, 0xB412, _zorucore_Dbclob2Delimited},
  {0x0012, 0xB512, _zorucore_Dbclob2Delimited},
  {0x0012, 0xB612, _zorucore_Dbclob2Delimited},
  {0x0012, 0xB712, _zorucore_Dbclob2Delimited},
  {0x0812, 0xB012, _zorucore_DbclobN2Delimited},
  {0x0812, 0xB212, _zorucore_DbclobN2DelimitedConvert},
  {0x0812, 0xB412, _zorucore_DbclobN2Delimited},
  {0x0812, 0xB512, _zorucore_DbclobLlsN2Delimited},
  {0x0812, 0xB612, _zorucore_DbclobN2Delimited},
  {0x0812, 0xB712, _zorucore_DbclobLlsN2Delimited},
  {0x0012, 0xB312, _zorucore_Dbclob2DelimitedConvertDD},
  {0x0812, 0xB312, _zorucore_Dbclob2DelimitedConvertDD},
  {0x000D, 0xB00D, _zorucore_Graphic2Delimited},
  {0x000D, 0xB20D, _zorucore_Graphic2DelimitedConvert},
  {0x080D, 0xB00D, _zorucore_GraphicN2Delimited},
  {0x080D, 0xB20D, _zorucore_GraphicN2DelimitedConvert},
  {0x000E, 0xB00E, _zorucore_Vargraphic2Delimited},
  {0x000E, 0xB20E, _zorucore_Vargraphic2DelimitedConvert},
  {0x080E, 0xB00E, _zorucore_VargraphicN2Delimited},
  {0x080E, 0xB20E, _zorucore_VargraphicN2DelimitedConvert},
  {0x000F, 0xB00F, _zorucore_Longvargraphic2Delimited},
  {0x000F, 0xB20F, _zorucore_Longvargraphic2DelimitedConvert},
  {0x080F, 0xB00F, _zorucore_LongvargraphicN2Delimited},
  {0x080F, 0xB20F, _zorucore_LongvargraphicN2DelimitedConvert},
  {0x000D, 0xB30D, _zorucore_Graphic2DelimitedConvertDD},
  {0x080D, 0xB30D, _zorucore_Graphic2DelimitedConvertDD},
  {0x000E, 0xB30E, _zorucore_Vargraphic2DelimitedConvertDD},
  {0x080E, 0xB30E, _zorucore_Vargraphic2DelimitedConvertDD},
  {0x000F, 0xB30F, _zorucore_Longvargraphic2DelimitedConvertDD},
  {0x080F, 0xB30F, _zorucore_Longvargraphic2DelimitedConvertDD},
  {0xD04E, 0xB000, _zorucore_Const2Delimited},
  {0xD001, 0xB001, _zorucore_Smallint2Delimited},
  {0xD801, 0xB001, _zorucore_SmallintN2Delimited},
  {0xD002, 0xB002, _zorucore_Integer2Delimited},
  {0xD802, 0xB002, _zorucore_IntegerN2Delimited},
  {0xD003, 0xB003, _zorucore_Decimal2Delimited},
  {0xD803, 0xB003, _zorucore_DecimalN2Delimited},
  {0xD004, 0xB004, _zorucore_Double2Delimited},
  {0xD804, 0xB004, _zorucore_DoubleN2Delimited},
  {0xD005, 0xB005, _zorucore_Real2Delimited},
  {0xD805, 0xB005, _zorucore_RealN2Delimited},
  {0xD006, 0xB006, _zorucore_Biginteger2Delimited},
  {0xD806, 0xB006, _zorucore_BigintegerN2Delimited},
  {0xD007, 0xB007, _zorucore_Char2Delimited},
  {0xD007, 0xB207, _zorucore_Char2DelimitedConvert},
  {0xD807, 0xB007, _zorucore_CharN2Delimited},
  {0xD807, 0xB207, _zorucore_CharN2DelimitedConvert},
  {0xD007, 0xB107, _zorucore_Char2DelimitedDD},
  {0xD007, 0xB307, _zorucore_Char2DelimitedConvertDD},
  {0xD807, 0xB107, _zorucore_Char2DelimitedDD},
  {0xD807, 0xB307, _zorucore_Char2DelimitedConvertDD},
  /* IXF converters (run/zorucoreixf.h) */
  {0x0001, 0x8001, _zorucore_Smallint2Ixf},
  {0x0801, 0x8801, _zorucore_SmallintN2Ixf},
  {0x0002, 0x8002, _zorucore_Integer2Ixf},
  {0x0802, 0x8802, _zorucore_IntegerN2Ixf},
  {0x0003, 0x8003, _zorucore_Decimal2Ixf},
  {0x0803, 0x8803, _zorucore_DecimalN2Ixf},
  {0x0004, 0x8004, _zorucore_Double2Ixf},
  {0x0804, 0x8804, _zorucore_DoubleN2Ixf},
  {0x0005, 0x8005, _zorucore_Real2Ixf},
  {0x0805, 0x8805, _zorucore_RealN2Ixf},
  {0x0006, 0x8006, _zorucore_Bigint2Ixf},
  {0x0806, 0x8806, _zorucore_BigintN2Ixf},
  {0x0007, 0x8007, _zorucore_Char2Ixf},
  {0x0807, 0x8807, _zorucore_CharN2Ixf},
  {0x0008, 0x8008, _zorucore_Varchar2Ixf},
  {0x0808, 0x8808, _zorucore_VarcharN2Ixf},
  {0x0009, 0x8009, _zorucore_Longvarchar2Ixf},
  {0x0809, 0x8809, _zorucore_LongvarcharN2Ixf},
  {0x000A, 0x800A, _zorucore_Date2Ixf},
  {0x080A, 0x880A, _zorucore_DateN2Ixf},
  {0x000B, 0x800B, _zorucore_Time2Ixf},
  {0x080B, 0x880B, _zorucore_TimeN2Ixf},
  {0x000C, 0x800C, _zorucore_Timestamp2Ixf},
  {0x080C, 0x880C, _zorucore_TimestampN2Ixf},
  {0x0010, 0x8010, _zorucore_Blob2Ixf},
  {0x0010, 0x8410, _zorucore_Blob2IxfLobinfile},
  {0x0810, 0x8810, _zorucore_BlobN2Ixf},
  {0x0810, 0x8C10, _zorucore_BlobN2IxfLobinfile},
  {0x0810, 0x8D10, _zorucore_BlobN2IxfLobinfileLLS},
  {0x0010, 0x8510, _zorucore_BlobN2IxfLobinfileLLS},
  {0x0011, 0x8011, _zorucore_Clob2Ixf},
  {0x0011, 0x8411, _zorucore_Clob2IxfLobinfile},
  {0x0811, 0x8811, _zorucore_ClobN2Ixf},
  {0x0811, 0x8C11, _zorucore_ClobN2IxfLobinfile},
  {0x0811, 0x8D11, _zorucore_ClobN2IxfLobinfileLLS},
  {0x0011, 0x8511, _zorucore_ClobN2IxfLobinfileLLS},
  {0x0012, 0x8012, _zorucore_Dbclob2Ixf},
  {0x0012, 0x8412, _zorucore_Dbclob2IxfLobinfile},
  {0x0812, 0x8812, _zorucore_DbclobN2Ixf},
  {0x0812, 0x8C12, _zorucore_DbclobN2IxfLobinfile},
  {0x0812, 0x8D12, _zorucore_DbclobN2IxfLobinfileLLS},
  {0x0012, 0x8512, _zorucore_DbclobN2IxfLobinfileLLS},
  {0x000D, 0x800D, _zorucore_Graphic2Ixf},
  {0x080D, 0x880D, _zorucore_GraphicN2Ixf},
  {0x000E, 0x800E, _zorucore_Vargraphic2Ixf},
  {0x080E, 0x880E, _zorucore_VargraphicN2Ixf},
  {0x000F, 0x800F, _zorucore_Longvargraphic2Ixf},
  {0x080F, 0x880F, _zorucore_LongvargraphicN2Ixf},
  /* rows fetched through CLI (run/zorucorecli.h, run/zorucoreixf.h) */
  {0xD001, 0x8001, _zorucore_Smallint2Ixf},
  {0xD801, 0x8801, _zorucore_SmallintN2Ixf},
  {0xD002, 0x8002, _zorucore_Integer2Ixf},
  {0xD802, 0x8802, _zorucore_IntegerN2Ixf},
  {0xD003, 0x8003, _zorucore_Decimal2Ixf},
  {0xD803, 0x8803, _zorucore_DecimalN2Ixf},
  {0xD004, 0x8004, _zorucore_Double2Ixf},
  {0xD804, 0x8804, _zorucore_DoubleN2Ixf},
  {0xD005, 0x8005, _zorucore_Real2Ixf},
  {0xD805, 0x8805, _zorucore_RealN2Ixf},
  {0xD006, 0x8006, _zorucore_Bigint2Ixf},
  {0xD806, 0x8806, _zorucore_BigintN2Ixf},
  {0xD007, 0x8007, _zorucore_Char2Ixf},
  {0xD807, 0x8807, _zorucore_CharN2Ixf},
  {0xD008, 0xB008, _zorucore_VarcharN2DelimitedSelectDB2},
  {0xD008, 0xB208, _zorucore_VarcharN2DelimitedConvertSelectDB2},
  {0xD008, 0x8008, _zorucore_VarcharN2IxfSelectDB2},
  {0xD808, 0xB008, _zorucore_VarcharN2DelimitedSelectDB2},
  {0xD808, 0xB208, _zorucore_VarcharN2DelimitedConvertSelectDB2},
  {0xD808, 0x8808, _zorucore_VarcharN2IxfSelectDB2},
  {0xD008, 0xB108, _zorucore_VarcharN2DelimitedDDSelectDB2},
  {0xD008, 0xB308, _zorucore_VarcharN2DelimitedConvertDDSelectDB2},
  {0xD808, 0xB108, _zorucore_VarcharN2DelimitedDDSelectDB2},
  {0xD808, 0xB308, _zorucore_VarcharN2DelimitedConvertDDSelectDB2},
  {0xD009, 0xB009, _zorucore_LongvarcharN2DelimitedSelectDB2},
  {0xD009, 0xB209, _zorucore_LongvarcharN2DelimitedConvertSelectDB2},
  {0xD009, 0x8009, _zorucore_LongvarcharN2IxfSelectDB2},
  {0xD809, 0xB009, _zorucore_LongvarcharN2DelimitedSelectDB2},
  {0xD809, 0xB209, _zorucore_LongvarcharN2DelimitedConvertSelectDB2},
  {0xD809, 0x8809, _zorucore_LongvarcharN2IxfSelectDB2},
  {0xD009, 0xB109, _zorucore_LongvarcharN2DelimitedDDSelectDB2},
  {0xD009, 0xB309, _zorucore_LongvarcharN2DelimitedConvertDDSelectDB2},
  {0xD809, 0xB109, _zorucore_LongvarcharN2DelimitedDDSelectDB2},
  {0xD809, 0xB309, _zorucore_LongvarcharN2DelimitedConvertDDSelectDB2},
  {0xD00A, 0xB031, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB231, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB032, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB232, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB033, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB233, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB034, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB234, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB035, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB235, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB036, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB236, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB037, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB237, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB038, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB238, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB039, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB239, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB03A, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB23A, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB03B, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB23B, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB03C, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB23C, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB03D, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB23D, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB03E, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB23E, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB03F, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB23F, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB040, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0xB240, _zorucore_DateN2DelimitedSelectDB2},
  {0xD00A, 0x800A, _zorucore_DateN2IxfSelectDB2},
  {0xD80A, 0xB031, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB231, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB032, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB232, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB033, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB233, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB034, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB234, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB035, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB235, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB036, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB236, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB037, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB237, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB038, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB238, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB039, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB239, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB03A, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB23A, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB03B, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB23B, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB03C, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB23C, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB03D, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB23D, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB03E, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB23E, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB03F, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB23F, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB040, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0xB240, _zorucore_DateN2DelimitedSelectDB2},
  {0xD80A, 0x880A, _zorucore_DateN2IxfSelectDB2},
  {0xD00B, 0xB041, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD00B, 0xB241, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD00B, 0xB042, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD00B, 0xB242, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD00B, 0xB043, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD00B, 0xB243, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD00B, 0xB044, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD00B, 0xB244, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD00B, 0xB045, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD00B, 0xB245, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD00B, 0x800B, _zorucore_TimeN2IxfSelectDB2},
  {0xD80B, 0xB041, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD80B, 0xB241, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD80B, 0xB042, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD80B, 0xB242, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD80B, 0xB043, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD80B, 0xB243, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD80B, 0xB044, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD80B, 0xB244, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD80B, 0xB045, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD80B, 0xB245, _zorucore_TimeN2DelimitedSelectDB2},
  {0xD80B, 0x880B, _zorucore_TimeN2IxfSelectDB2},
  {0xD00C, 0xB046, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD00C, 0xB246, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD00C, 0xB047, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD00C, 0xB247, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD00C, 0xB048, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD00C, 0xB248, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD00C, 0xB049, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD00C, 0xB249, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD00C, 0xB04A, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD00C, 0xB24A, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD00C, 0xB04B, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD00C, 0xB24B, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD00C, 0x800C, _zorucore_TimestampN2IxfSelectDB2},
  {0xD80C, 0xB046, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD80C, 0xB246, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD80C, 0xB047, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD80C, 0xB247, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD80C, 0xB048, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD80C, 0xB248, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD80C, 0xB049, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD80C, 0xB249, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD80C, 0xB04A, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD80C, 0xB24A, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD80C, 0xB04B, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD80C, 0xB24B, _zorucore_TimestampN2DelimitedSelectDB2},
  {0xD80C, 0x880C, _zorucore_TimestampN2IxfSelectDB2},
  {0xD011, 0xB011, _zorucore_ClobN2DelimitedSelectDB2},
  {0xD011, 0xB211, _zorucore_ClobN2DelimitedConvertSelectDB2},
  {0xD011, 0xB411, _zorucore_VarcharN2DelimitedSelectDB2},
  {0xD011, 0xB511, _zorucore_VarcharN2DelimitedSelectDB2},
  {0xD011, 0xB611, _zorucore_VarcharN2DelimitedSelectDB2},
  {0xD011, 0xB711, _zorucore_VarcharN2DelimitedSelectDB2},
  {0xD011, 0x8011, _zorucore_ClobN2IxfSelectDB2},
  {0xD011, 0x8411, _zorucore_ClobN2IxfLobinfileSelectDB2},
  {0xD011, 0x8511, _zorucore_ClobN2IxfLobinfileLLSSelectDB2},
  {0xD811, 0xB011, _zorucore_ClobN2DelimitedSelectDB2},
  {0xD811, 0xB211, _zorucore_ClobN2DelimitedConvertSelectDB2},
  {0xD811, 0xB411, _zorucore_VarcharN2DelimitedSelectDB2},
  {0xD811, 0xB511, _zorucore_VarcharN2DelimitedSelectDB2},
  {0xD811, 0xB611, _zorucore_VarcharN2DelimitedSelectDB2},
  {0xD811, 0xB711, _zorucore_VarcharN2DelimitedSelectDB2},
  {0xD811, 0x8811, _zorucore_ClobN2IxfSelectDB2},
  {0xD811, 0x8C11, _zorucore_ClobN2IxfLobinfileSelectDB2},
  {0xD811, 0x8D11, _zorucore_ClobN2IxfLobinfileLLSSelectDB2},
  {0xD011, 0xB111, _zorucore_ClobN2DelimitedDDSelectDB2},
  {0xD011, 0xB311, _zorucore_ClobN2DelimitedConvertDDSelectDB2},
  {0xD811, 0xB111, _zorucore_ClobN2DelimitedDDSelectDB2},
  {0xD811, 0xB311, _zorucore_ClobN2DelimitedConvertDDSelectDB2},
  {0xD010, 0xB010, _zorucore_BlobN2DelimitedSelectDB2},
  {0xD010, 0xB410, _zorucore_VarcharN2DelimitedSelectDB2},
  {0xD010, 0xB510, _zorucore_VarcharN2DelimitedSelectDB2},
  {0xD010, 0x8010, _zorucore_BlobN2IxfSelectDB2},
  {0xD010, 0x8410, _zorucore_BlobN2IxfLobinfileSelectDB2},
  {0xD010, 0x8510, _zorucore_BlobN2IxfLobinfileLLSSelectDB2},
  {0xD810, 0xB010, _zorucore_BlobN2DelimitedSelectDB2},
  {0xD810, 0xB410, _zorucore_VarcharN2DelimitedSelectDB2},
  {0xD810, 0xB510, _zorucore_VarcharN2DelimitedSelectDB2},
  {0xD810, 0x8810, _zorucore_BlobN2IxfSelectDB2},
  {0xD810, 0x8C10, _zorucore_BlobN2IxfLobinfileSelectDB2},
  {0xD810, 0x8D10, _zorucore_BlobN2IxfLobinfileLLSSelectDB2},
  {0xD010, 0xB110, _zorucore_BlobN2DelimitedDDSelectDB2},
  {0xD810, 0xB110, _zorucore_BlobN2DelimitedDDSelectDB2},
  {0xFFFF, 0xFFFF, nullptr}
};

int zorucoreTabCount(void)
{
  int iCount = 0;
  while (aconvertTabLine[iCount].func != nullptr) iCount++;
  return iCount;
}

int zorucoreInitModule(void)
{
  static const oconvertProgramOps opsProgram = {zorucoreprogMake, zorucoreprogRun, zorucoreprogFree};
  oconvertRegisterTabConversion(aconvertTabLine);
  oconvertSetProgramOps(&opsProgram);
  return 0;
}

zorucoreData *zorucoreDataCreate(void)
{
  return static_cast<zorucoreData *>(std::calloc(1, sizeof(zorucoreData)));
}

/* Gives an embedded string an owned copy of its buffer (after a byte copy). */
static int _coreOwnCopy(ochar *pchar)
{
  if (pchar->pcData == nullptr) return 0;
  int32_t ilText = pchar->ilBT > pchar->ilBU ? pchar->ilBT : pchar->ilBU;
  if (ilText < 0) ilText = 0;
  size_t ulSize = static_cast<size_t>(ilText) + ((pchar->usFlags & OCHAR_VARCHAR) ? 2u : 0u);
  char *pcCopy = static_cast<char *>(std::calloc(ulSize + 2, 1));   /* room for a terminator */
  if (pcCopy == nullptr) {
    pchar->pcData = nullptr;
    pchar->usFlags &= static_cast<uint16_t>(~OCHAR_OWNED);
    return ORC_NOMEM;
  }
  std::memcpy(pcCopy, pchar->pcData, ulSize);
  pchar->pcData = pcCopy;
  pchar->usFlags |= OCHAR_OWNED;
  return 0;
}

/* A new buffer holding the first ilLength bytes of pcFrom (capacity ilCapacity). */
static char *_coreCopyBytes(const char *pcFrom, int32_t ilLength, size_t ulCapacity)
{
  char *pcCopy = static_cast<char *>(std::calloc(ulCapacity, 1));
  if (pcCopy != nullptr) std::memcpy(pcCopy, pcFrom, static_cast<size_t>(ilLength));
  return pcCopy;
}

static void _coreReleaseChar(ochar *pchar)
{
  if (pchar->pcData != nullptr && (pchar->usFlags & OCHAR_OWNED)) std::free(pchar->pcData);
  pchar->pcData = nullptr;
  pchar->ilBU = pchar->ilBT = pchar->ilL = 0;
  pchar->usFlags &= static_cast<uint16_t>(~OCHAR_OWNED);
}

zorucoreData *zorucoreDataClone(const zorucoreData *pcore)
{
  if (pcore == nullptr) return nullptr;
  zorucoreData *pcopy = zorucoreDataCreate();
  if (pcopy == nullptr) return nullptr;
  *pcopy = *pcore;
  /* Nothing below is owned until it has been copied. */
  pcopy->pcol = nullptr;
  pcopy->pcharConstant = nullptr;
  pcopy->pcDefault = nullptr;
  pcopy->pcTemplate = nullptr;
  ochar *apcharOwned[] = {&pcopy->charSep, &pcopy->charDelim, &pcopy->charDecimal,
                          &pcopy->charSignPlus};
  for (ochar *pchar : apcharOwned) pchar->usFlags &= static_cast<uint16_t>(~OCHAR_OWNED);

  bool bFailed = false;
  for (ochar *pchar : apcharOwned)
    if (_coreOwnCopy(pchar) != 0) bFailed = true;
  if (!bFailed && pcore->pcharConstant != nullptr) {
    pcopy->pcharConstant = ocharClone(pcore->pcharConstant);
    bFailed = pcopy->pcharConstant == nullptr;
  }
  if (!bFailed && pcore->pcDefault != nullptr && pcore->sDefaultLength > 0) {
    size_t ulCapacity = 3u * static_cast<size_t>(pcore->sDefaultLength) + 9u;
    pcopy->pcDefault = _coreCopyBytes(pcore->pcDefault, pcore->sDefaultLength, ulCapacity);
    bFailed = pcopy->pcDefault == nullptr;
  }
  if (!bFailed && pcore->pcTemplate != nullptr && pcore->sTemplateLength > 0) {
    pcopy->pcTemplate = _coreCopyBytes(pcore->pcTemplate, pcore->sTemplateLength,
                                       static_cast<size_t>(pcore->sTemplateLength));
    bFailed = pcopy->pcTemplate == nullptr;
  }
  if (!bFailed && pcore->pcol != nullptr) {
    pcopy->pcol = zorcolClone(pcore->pcol);
    bFailed = pcopy->pcol == nullptr;
  }
  if (bFailed) {
    zorucoreDataDestroy(pcopy);
    std::free(pcopy);
    return nullptr;
  }
  return pcopy;
}

int zorucoreDataDestroy(zorucoreData *pcore)
{
  if (pcore == nullptr) return 0;
  _coreReleaseChar(&pcore->charSep);
  _coreReleaseChar(&pcore->charDelim);
  _coreReleaseChar(&pcore->charDecimal);
  _coreReleaseChar(&pcore->charSignPlus);
  ocharDestroy(pcore->pcharConstant);
  pcore->pcharConstant = nullptr;
  std::free(pcore->pcDefault);
  pcore->pcDefault = nullptr;
  pcore->sDefaultLength = 0;
  std::free(pcore->pcTemplate);
  pcore->pcTemplate = nullptr;
  pcore->sTemplateLength = 0;
  zorcolDestroy(pcore->pcol);
  pcore->pcol = nullptr;
  return 0;
}

namespace {

/* The atom kind COREDATA holds converter data records: registered at start-up. */
const zoratomOwner gownerCoreData = {
    [](const void *pv) -> void * { return zorucoreDataClone(static_cast<const zorucoreData *>(pv)); },
    /* the record's contents go first, then the record itself */
    [](void *pv) {
      zorucoreDataDestroy(static_cast<zorucoreData *>(pv));
      std::free(pv);
    },
    nullptr,
    nullptr,
};

[[maybe_unused]] const bool gboCoreDataOwner = [] {
  zoratomSetOwner(ZORATOM_COREDATA, &gownerCoreData);
  return true;
}();

}  // namespace
