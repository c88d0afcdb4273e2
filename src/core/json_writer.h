#pragma once
// The command line's JSON: one object per line (JSON Lines), keys in the order they are added,
// text as UTF-8 with only what JSON requires escaped. The book record and the organise report
// both write through this one class.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace core {

class JsonObject {
public:
    JsonObject& add(const char* key, const QString& value);
    JsonObject& add(const char* key, const char* latin1Value);
    JsonObject& add(const char* key, bool value);
    JsonObject& add(const char* key, std::int32_t value);
    JsonObject& add(const char* key, qint64 value);
    JsonObject& add(const char* key, const QStringList& values);
    JsonObject& add(const char* key, const QList<JsonObject>& objects);
    // An array with one object per element of list, write(object, element) adding its members.
    // The objects are written in place: no object of their own is built and copied.
    template <class List, class Write>
    JsonObject& addObjects(const char* key, const List& list, Write&& write) {
        appendKey(key);
        members_.append('[');
        bool firstObject = true;
        for (const auto& element : list) {
            if (!firstObject) members_.append(',');
            firstObject = false;
            JsonObject object;
            object.members_ = std::move(members_);
            object.members_.append('{');
            write(object, element);
            members_ = std::move(object.members_);
            members_.append('}');
        }
        members_.append(']');
        return *this;
    }

    // {"key":value,...} without a line break.
    QByteArray text() const;
    // text() followed by LF (never CRLF, whatever the platform).
    QByteArray line() const;

private:
    void appendKey(const char* key);
    char* writeKey(char* p, const char* key, std::size_t length);
    // {members} followed by after.
    QByteArray enclosed(const char* after) const;
    QByteArray members_;
    bool empty_ = true;  // no member yet (members_ may hold the text of enclosing objects)
};

}  // namespace core
