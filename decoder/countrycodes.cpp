#include "countrycodes.h"

#include "decoderlogging.h"

#include <QFile>
#include <QHash>

namespace {

// The name field of a line: as it stands, or unquoted with "" for a quote.
QString nameField(QStringView field)
{
    if (!field.startsWith(u'"') || !field.endsWith(u'"') || field.size() < 2)
        return field.toString();
    return field.mid(1, field.size() - 2)
        .toString()
        .replace(QLatin1String("\"\""), QLatin1String("\""));
}

QHash<int, QString> readTable()
{
    QHash<int, QString> names;
    QFile file(QStringLiteral(":/country-codes.csv"));
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcDecoder) << "Country table not readable:" << file.errorString();
        return names;
    }
    const QString text = QString::fromUtf8(file.readAll());
    // The header and any line that is not a code and a name are passed over.
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        const qsizetype comma = line.indexOf(u',');
        bool isCode = false;
        const int code = comma > 0 ? line.left(comma).toInt(&isCode) : 0;
        const QString name = nameField(line.mid(comma + 1).trimmed());
        if (isCode && !name.isEmpty())
            names.insert(code, name);
    }
    return names;
}

} // namespace

QString countryName(int code)
{
    static const QHash<int, QString> names = readTable();
    return names.value(code);
}
