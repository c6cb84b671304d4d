#pragma once
// Reads spreadsheet files with an independent reader (openpyxl, run through python3), never
// with our own writer, and makes template workbooks with it.

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace TestSupport {

// The workbook at Path as the reader sees it:
//   {"sheets": [{"title": ..., "cells": {"B3": ["str", "text"], "C4": ["int", 5], ...},
//                "bold": ["B3", ...], "formats": {"C4": "0.00"}, "merged": ["A1:F1"],
//                "widths": {"B": 30.0}}]}
// Cell kinds are the reader's own: "str", "int", "float". Fails the test when it cannot read.
QJsonObject ReadWorkbook(const QString& Path);
// The cells of one sheet as lines "B3 str text", sorted, for comparisons and printing.
QStringList CellLines(const QJsonObject& Workbook, int Sheet);

// Writes a formatted template to Path: sheet "Заказ" with A1 "Заказ покупателя" in bold,
// merged over A1:F1, column B 30 wide, B3 bold and C4 formatted "0.00" (both empty), and a
// second sheet "Реквизиты" with A1 "ИНН" and B1 7701234567.
void WriteTemplate(const QString& Path);

// Rewrites the workbook at Path with its part Part holding Content followed by Padding blanks
// (which deflate to almost nothing), every part deflated.
void ReplacePart(const QString& Path, const QString& Part, const QByteArray& Content, int Padding = 0);

} // namespace TestSupport
