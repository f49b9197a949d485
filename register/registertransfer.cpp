#include "registertransfer.h"

#include "testregister.h"

#include <QDir>
#include <QSaveFile>

Result<RegisterImport> importRegister(TestHistory &history, const QString &csvPath)
{
    RegisterImport result;
    QString readError;
    const bool added = history.addAll([&](const TestHistory::Add &add) {
        return TestRegister::read(
            csvPath,
            [&](const TestRecord &record) {
                if (!add(record))
                    return false;
                ++result.imported;
                return true;
            },
            result.skipped, readError);
    });
    if (added)
        return result;
    return failure(readError.isEmpty() ? history.errorString() : readError);
}

Done exportRegister(const TestHistory &history, const QString &csvPath)
{
    QSaveFile file(csvPath);
    const auto fileFailure = [&] {
        return failure(QDir::toNativeSeparators(csvPath) + QStringLiteral(": ") +
                       file.errorString());
    };
    if (!file.open(QIODevice::WriteOnly))
        return fileFailure();
    file.write(TestRegister::start());
    bool written = true;
    const bool read = history.forEach(
        TestHistory::Order::OldestFirst, TestHistory::Part::Whole, [&](const StoredTest &test) {
            written = file.write(TestRegister::csvLine(TestRegister::fields(test.record))) >= 0;
            return written;
        });
    if (!read)
        return failure(history.errorString());
    if (!written || !file.commit())
        return fileFailure();
    return {};
}
