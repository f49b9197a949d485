#include "reprintinto.h"

#include <QDir>

QString reprintFileName(const TestHistory &history, const StoredTest &test)
{
    return reprintFileName(test, history.testsOnDay(test.beaconId, test.record.time.date()) > 1);
}

Result<QString> reprintInto(const TestHistory &history, qint64 number, const QString &folder,
                            bool replace)
{
    const std::optional<StoredTest> test = history.test(number);
    if (!test) {
        const QString why = history.errorString();
        return failure(
            why.isEmpty() ? QStringLiteral("The test history holds no test %1").arg(number) : why);
    }
    // The Reprints folder is made on the first reprint.
    QDir().mkpath(folder);
    return reprintTo(*test, folder + u'/' + reprintFileName(history, *test), replace);
}
