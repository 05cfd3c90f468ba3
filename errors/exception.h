#pragma once

#include <QString>

#include <exception>
#include <string>

// The program's one error type: a message for the user, raised where something fails
// and shown where the event that caused it is handled.
class Exception : public std::exception
{
public:
    explicit Exception(QString message)
        : m_message(std::move(message))
        , m_utf8(m_message.toStdString())
    {}

    const QString &Message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
};
