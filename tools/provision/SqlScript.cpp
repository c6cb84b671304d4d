#include "SqlScript.h"

#include "Exceptions.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

namespace SqlScript {

namespace {

// Walks the script once, keeping count of the lines.
class TSplitter {
public:
    explicit TSplitter(const QString& Script) : FScript(Script) {}

    std::vector<TStatement> Statements()
    {
        std::vector<TStatement> statements;
        for (SkipBlanksAndComments(); !AtEnd(); SkipBlanksAndComments()) {
            const int line = FLine;
            const qsizetype start = FPosition;
            ScanStatement();
            const QString text = FScript.mid(start, FPosition - start).trimmed();
            if (!text.isEmpty())
                statements.push_back({text, line});
            if (!AtEnd())
                Advance(); // the ";"
        }
        return statements;
    }

private:
    bool AtEnd() const { return FPosition >= FScript.size(); }
    QChar Current() const { return FScript[FPosition]; }
    bool At(QLatin1StringView Text) const { return QStringView(FScript).sliced(FPosition).startsWith(Text); }
    void Advance()
    {
        if (Current() == u'\n')
            ++FLine;
        ++FPosition;
    }
    void AdvanceBy(qsizetype Count)
    {
        for (; Count > 0 && !AtEnd(); --Count)
            Advance();
    }

    [[noreturn]] void Unclosed(const QString& What, int Line) const
    {
        throw EConvertError(QStringLiteral("строка %1: %2 не закрыт(а) до конца файла").arg(Line).arg(What));
    }

    void SkipBlanksAndComments()
    {
        while (!AtEnd()) {
            if (Current().isSpace())
                Advance();
            else if (At(QLatin1StringView("--")) || At(QLatin1StringView("/*")))
                SkipComment();
            else
                return;
        }
    }

    void SkipComment()
    {
        if (At(QLatin1StringView("--"))) {
            while (!AtEnd() && Current() != u'\n')
                Advance();
            return;
        }
        const int line = FLine;
        AdvanceBy(2);
        while (!AtEnd() && !At(QLatin1StringView("*/")))
            Advance();
        if (AtEnd())
            Unclosed(QStringLiteral("комментарий /*"), line);
        AdvanceBy(2);
    }

    // A quoted text or name; a doubled quote inside it is read as two quoted parts.
    void SkipQuoted(QChar Quote)
    {
        const int line = FLine;
        Advance();
        while (!AtEnd() && Current() != Quote)
            Advance();
        if (AtEnd())
            Unclosed(QStringLiteral("текст в кавычках %1").arg(Quote), line);
        Advance();
    }

    // The opening tag of a dollar-quoted body ("$$", "$body$") at the current position, or
    // nothing ("$1" is a parameter, "a$b" part of a name).
    QString DollarTag() const
    {
        static const QRegularExpression tag(QStringLiteral("\\$([A-Za-z_][A-Za-z0-9_]*)?\\$"));
        if (FPosition > 0 && (FScript[FPosition - 1].isLetterOrNumber() || FScript[FPosition - 1] == u'_'))
            return {};
        const QRegularExpressionMatch match = tag.match(FScript, FPosition, QRegularExpression::NormalMatch,
                                                            QRegularExpression::AnchorAtOffsetMatchOption);
        return match.hasMatch() ? match.captured(0) : QString();
    }

    void SkipDollarQuoted(const QString& Tag)
    {
        const int line = FLine;
        const qsizetype close = FScript.indexOf(Tag, FPosition + Tag.size());
        if (close < 0)
            Unclosed(QStringLiteral("текст в %1").arg(Tag), line);
        AdvanceBy(close + Tag.size() - FPosition);
    }

    // Moves to the ";" that ends the statement, or to the end of the script.
    void ScanStatement()
    {
        while (!AtEnd() && Current() != u';') {
            if (Current() == u'\'' || Current() == u'"')
                SkipQuoted(Current());
            else if (At(QLatin1StringView("--")) || At(QLatin1StringView("/*")))
                SkipComment();
            else if (const QString tag = Current() == u'$' ? DollarTag() : QString(); !tag.isEmpty())
                SkipDollarQuoted(tag);
            else
                Advance();
        }
    }

    const QString& FScript;
    qsizetype FPosition = 0;
    int FLine = 1;
};

QString ReadFile(const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(QStringLiteral("Не удалось прочитать %1: %2").arg(FileName, file.errorString()));
    return QString::fromUtf8(file.readAll());
}

} // namespace

std::vector<TStatement> Split(const QString& Script)
{
    return TSplitter(Script).Statements();
}

void RunFile(const QSqlDatabase& Connection, const QString& FileName)
{
    std::vector<TStatement> statements;
    try {
        statements = Split(ReadFile(FileName));
    } catch (const EConvertError& error) {
        throw EConvertError(FileName + QStringLiteral(", ") + error.Message());
    }
    for (const TStatement& statement : statements) {
        QSqlQuery query(Connection);
        if (!query.exec(statement.Text))
            throw EDatabaseError(QStringLiteral("%1, строка %2: %3\n%4")
                                     .arg(FileName)
                                     .arg(statement.Line)
                                     .arg(query.lastError().text(), statement.Text));
    }
}

void RunFiles(const QSqlDatabase& Connection, const QStringList& FileNames)
{
    for (const QString& fileName : FileNames)
        RunFile(Connection, fileName);
}

} // namespace SqlScript
