#pragma once
// Dialogs with scripted answers for tests: every call is recorded, nothing is ever shown.
// Install with ScriptedDialogs::Install guard(dialogs); the real dialogs return when the guard
// goes out of scope.
#include "app/dialogs.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

namespace apptest {

class ScriptedDialogs : public app::Dialogs {
public:
    // One recorded call: which dialog, and its texts joined in the order of the arguments.
    struct Call {
        QString kind;  // "message", "error", "errorTask", "confirm", "pickFolder"
        QStringList texts;
    };

    // Answers, consumed front to back. An empty queue answers false / nullopt.
    std::deque<bool> errorTaskAnswers;
    std::deque<bool> confirmAnswers;
    std::deque<std::optional<QString>> folderAnswers;

    std::deque<Call> calls;

    void message(QWidget*, const QString& text) override {
        calls.push_back({QStringLiteral("message"), {text}});
    }
    void error(QWidget*, const QString& text) override {
        calls.push_back({QStringLiteral("error"), {text}});
    }
    bool errorTask(QWidget*, const QString& caption, const QString& instruction,
                   const QString& text) override {
        calls.push_back({QStringLiteral("errorTask"), {caption, instruction, text}});
        return take(errorTaskAnswers, false);
    }
    bool confirm(QWidget*, const QString& heading, const QString& text,
                 const QString& confirmButton, const QString& cancelButton) override {
        calls.push_back({QStringLiteral("confirm"), {heading, text, confirmButton, cancelButton}});
        return take(confirmAnswers, false);
    }
    std::optional<QString> pickFolder(QWidget*, const QString& startFolder) override {
        calls.push_back({QStringLiteral("pickFolder"), {startFolder}});
        if (folderAnswers.empty()) return std::nullopt;
        // Taken apart by hand: copying the optional trips a false maybe-uninitialized warning.
        const bool chosen = folderAnswers.front().has_value();
        const QString folder = chosen ? *folderAnswers.front() : QString();
        folderAnswers.pop_front();
        if (!chosen) return std::nullopt;
        return folder;
    }

    // The texts of every call of one kind, in order (the first text of each call).
    QStringList textsOf(const QString& kind) const {
        QStringList out;
        for (const Call& c : calls)
            if (c.kind == kind) out << c.texts.value(0);
        return out;
    }

    class Install {
    public:
        explicit Install(ScriptedDialogs& d) { app::setDialogs(&d); }
        ~Install() { app::setDialogs(nullptr); }
        Install(const Install&) = delete;
        Install& operator=(const Install&) = delete;
    };

private:
    template <typename T>
    static T take(std::deque<T>& queue, T fallback) {
        if (queue.empty()) return fallback;
        T v = queue.front();
        queue.pop_front();
        return v;
    }
};

}  // namespace apptest
