#ifndef RESULT_H
#define RESULT_H

#include <QString>

#include <optional>
#include <utility>

// The one way a failure travels between the program's parts: a value, or the
// reason there is none, in words (naming the file where there is one). The
// sentence for the technician is composed where it is shown.
struct Failure
{
    QString reason;
};

inline Failure failure(QString reason)
{
    return Failure{std::move(reason)};
}

template <typename T> class [[nodiscard]] Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failed) : m_reason(std::move(failed.reason)) {}

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T &operator*() const & { return *m_value; }
    T &operator*() & { return *m_value; }
    T &&operator*() && { return *std::move(m_value); }
    const T *operator->() const { return &*m_value; }
    T *operator->() { return &*m_value; }
    // Why there is no value; empty when there is one.
    const QString &reason() const { return m_reason; }

private:
    std::optional<T> m_value;
    QString m_reason;
};

// Done, or why not.
template <> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Failure failed) : m_failed(true), m_reason(std::move(failed.reason)) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const QString &reason() const { return m_reason; }

private:
    bool m_failed = false;
    QString m_reason;
};

using Done = Result<void>;

#endif // RESULT_H
