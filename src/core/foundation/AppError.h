#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The error every fallible operation of the core throws. Its domain is the
// message text shown to (or logged for) the user; the code is -1 unless an
// operation says otherwise (the BCD readers use 0).
class AppError : public std::exception {
public:
    explicit AppError(QString domain, int code = -1)
        : m_domain(std::move(domain)), m_code(code), m_utf8(m_domain.toUtf8())
    {
    }

    const QString& domain() const noexcept { return m_domain; }
    int code() const noexcept { return m_code; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_domain;
    int m_code;
    QByteArray m_utf8;
};
