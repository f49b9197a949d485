#include "registertransfer.h"

#include <QDir>
#include <QSaveFile>

Result<RegisterImport> importRegister(TestHistory &history, const QString &csvPath,
                                      const TestRegister::Progress &progress)
{
    RegisterImport result;
    result.file = QDir::toNativeSeparators(csvPath);
    TestRegister::Reading reading;
    const Done added = history.addAll([&](const TestHistory::Add &add) {
        return TestRegister::read(
            csvPath,
            [&](const TestRecord &record) {
                switch (add(record)) {
                case TestHistory::Took::New:
                    ++result.imported;
                    return true;
                case TestHistory::Took::Already:
                    ++result.already;
                    return true;
                case TestHistory::Took::Repeated:
                    return true;
                case TestHistory::Took::Refused:
                    break;
                }
                return false;
            },
            reading, progress);
    });
    if (!added)
        return failure(added.reason());
    result.skipped = reading.skipped;
    result.spreadsheetSigns = reading.spreadsheetSigns;
    return result;
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
    const Done read = history.forEach(
        TestHistory::Order::OldestFirst, TestHistory::Part::Whole, [&](const StoredTest &test) {
            written = file.write(TestRegister::csvLine(TestRegister::fields(test.record))) >= 0;
            return written;
        });
    if (!read)
        return read;
    if (!written || !file.commit())
        return fileFailure();
    return {};
}
