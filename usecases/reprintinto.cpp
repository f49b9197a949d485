#include "reprintinto.h"

#include <QDir>

#include <algorithm>

Result<QString> reprintFileName(const TestHistory &history, const StoredTest &test)
{
    const Result<QList<StoredTest>> sameDay = history.testsOn(test.record.time.date());
    if (!sameDay)
        return failure(sameDay.reason());
    // Some file systems take two names that differ in case for one.
    const auto clashes = [&](ReprintNaming naming, const QString &name) {
        return std::any_of(sameDay->begin(), sameDay->end(), [&](const StoredTest &other) {
            return other.number != test.number &&
                   reprintFileName(other, naming).compare(name, Qt::CaseInsensitive) == 0;
        });
    };
    for (const ReprintNaming naming :
         {ReprintNaming::Day, ReprintNaming::Time, ReprintNaming::Offset}) {
        const QString name = reprintFileName(test, naming);
        if (!clashes(naming, name))
            return name;
    }
    return reprintFileName(test, ReprintNaming::Number);
}

Result<QString> reprintInto(const TestHistory &history, qint64 number, const QString &folder,
                            bool replace)
{
    const Result<std::optional<StoredTest>> test = history.test(number);
    if (!test)
        return failure(test.reason());
    if (!*test)
        return failure(QStringLiteral("The test history holds no test %1").arg(number));
    const Result<QString> name = reprintFileName(history, **test);
    if (!name)
        return failure(name.reason());
    // The Reprints folder is made on the first reprint.
    QDir().mkpath(folder);
    return reprintTo(**test, folder + u'/' + *name, replace);
}
