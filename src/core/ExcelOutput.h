#pragma once
// Placeholder until the workbook output procedures land: the Excel session kept by Program between
// CreateExcelWorkbook and FinishExcel.
struct ExcelSession {};
