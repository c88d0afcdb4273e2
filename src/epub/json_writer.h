#pragma once
// The command line's JSON: one object per line (JSON Lines), keys in the order they are added,
// text as UTF-8 with only what JSON requires escaped. The book record and the organise report
// both write through this one class.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace epub {

class JsonObject {
public:
    JsonObject& add(const char* key, const QString& value);
    JsonObject& add(const char* key, const char* latin1Value);
    JsonObject& add(const char* key, bool value);
    JsonObject& add(const char* key, std::int32_t value);
    JsonObject& add(const char* key, const QStringList& values);
    JsonObject& add(const char* key, const QList<JsonObject>& objects);

    // {"key":value,...} without a line break.
    QByteArray text() const;
    // text() followed by LF (never CRLF, whatever the platform).
    QByteArray line() const;

private:
    void appendKey(const char* key);
    QByteArray members_;
};

}  // namespace epub
