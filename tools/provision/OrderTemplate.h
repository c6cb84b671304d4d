#pragma once
// The firm's formatted order form, the template of the order export: a workbook whose first
// sheet has the firm's heading above a framed table (titles in row 3 from column B, lines
// from row 4) and whose second sheet holds the firm's details.

#include <QString>

namespace OrderTemplate {

inline const QString FileName = QStringLiteral("order-template.xlsx");

// Writes the template to Path; raises EInOutError with the reason when it cannot.
void Write(const QString& Path);

} // namespace OrderTemplate
