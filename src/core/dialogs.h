#pragma once
// Every notice (OK button) and every Yes/No question goes through here. The program installs
// message boxes; tests install a script with Dialogs::Script.
#include <QString>
#include <QStringList>
#include <functional>
#include <deque>

namespace kess {

class Dialogs {
public:
    static void notify(const QString &text);
    static bool askYesNo(const QString &text);
    // A notice that does not hold up the caller (shown while a run goes on).
    static void notifyNonBlocking(const QString &text);

    struct Backend {
        std::function<void(const QString &)> notify;
        std::function<bool(const QString &)> ask;
        std::function<void(const QString &)> notifyNonBlocking;
    };
    static void install(Backend backend);

    // A test's dialogs: records every text shown and answers questions from a queue.
    // A question with no answer queued is recorded as unexpected and answered No.
    class Script {
    public:
        Script();
        ~Script();
        Script(const Script &) = delete;
        Script &operator=(const Script &) = delete;

        void answer(bool yes) { m_answers.push_back(yes); }
        const QStringList &shown() const { return m_shown; }
        QStringList takeShown();
        int unexpected() const { return m_unexpected; }

    private:
        Backend m_previous;
        QStringList m_shown;
        std::deque<bool> m_answers;
        int m_unexpected = 0;
    };

private:
    static Backend &backend();
};

} // namespace kess
