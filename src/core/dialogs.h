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
    // A notice. While a run is under way (a RunNotices exists) it never holds the caller up: it
    // is shown without blocking and the caller goes on at once, as it would after OK.
    static void notify(const QString &text);
    static bool askYesNo(const QString &text);
    // A question whose default button is No: Enter alone keeps things as they are.
    static bool askYesNoDefaultNo(const QString &text);
    // A notice that does not hold up the caller. The message boxes show one box per distinct
    // text at a time: a text already on screen is not shown twice.
    static void notifyNonBlocking(const QString &text);

    // For the life of a run: its notices do not block (questions still wait for their answer).
    class RunNotices {
    public:
        RunNotices() { ++depth(); }
        ~RunNotices() { --depth(); }
        RunNotices(const RunNotices &) = delete;
        RunNotices &operator=(const RunNotices &) = delete;
    };
    static bool noticesBlock() { return depth() == 0; }

    struct Backend {
        std::function<void(const QString &)> notify;
        std::function<bool(const QString &)> ask;
        std::function<void(const QString &)> notifyNonBlocking;
        std::function<bool(const QString &)> askDefaultNo; // falls back on `ask`
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
        // The notices that would have held their caller up until OK was clicked.
        const QStringList &blocking() const { return m_blocking; }
        QStringList takeShown();
        // The questions asked with No as their default button.
        const QStringList &askedDefaultNo() const { return m_defaultNo; }
        int unexpected() const { return m_unexpected; }

    private:
        Backend m_previous;
        QStringList m_shown;
        QStringList m_blocking;
        QStringList m_defaultNo;
        std::deque<bool> m_answers;
        int m_unexpected = 0;
    };

private:
    static Backend &backend();
    static int &depth();
};

} // namespace kess
