#pragma once
// An author's SQL file run against a database: the tables, rows and navigation schema
// (NAVIGATSIA, CLASS) of a plug-in package, run after the program's own tables.
//
// A file holds statements ended by ";". A ";" inside a quoted text ('...'), a quoted name
// ("..."), a PostgreSQL dollar-quoted body ($$...$$, $tag$...$tag$) or a comment (-- to the
// end of the line, /* ... */) does not end a statement; the last statement may go without
// ";". Statements are run one by one in the order written. A failing statement raises
// EDatabaseError naming the file, the line the statement starts on, the driver's message
// and the statement itself; what ran before it stays unless the caller rolls back.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <vector>

namespace SqlScript {

struct TStatement {
    QString Text;   // without the closing ";", the blanks around it and the comments before it
    int Line;       // the line of the file (from 1) the statement starts on
};

// Raises EConvertError naming the line for a quote, dollar quote or comment left open.
std::vector<TStatement> Split(const QString& Script);

// Reads the file (UTF-8) and runs its statements on Connection. Raises EInOutError when the
// file cannot be read, EConvertError or EDatabaseError (see above) when it is wrong.
void RunFile(const QSqlDatabase& Connection, const QString& FileName);
// Each file in turn.
void RunFiles(const QSqlDatabase& Connection, const QStringList& FileNames);

} // namespace SqlScript
