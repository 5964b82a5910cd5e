#pragma once

#include "common/EventLog.h"

#include <QStringList>

#include <cstring>
#include <functional>
#include <mutex>

namespace orvane {

// While it lives, the "orvane.eventlog" category is on and its lines are
// collected instead of printed. `hook`, when set, runs on the console thread
// before each line is taken (a test can hold the console up there).
class ConsoleCapture
{
public:
    ConsoleCapture()
    {
        instance() = this;
        m_previous = qInstallMessageHandler(&ConsoleCapture::handle);
        category().setEnabled(QtInfoMsg, true);
    }
    ~ConsoleCapture()
    {
        flushEventLogConsole();
        category().setEnabled(QtInfoMsg, false);
        qInstallMessageHandler(m_previous);
        instance() = nullptr;
    }
    // Every line written so far, once the console has caught up.
    QStringList lines()
    {
        flushEventLogConsole();
        std::lock_guard lock(m_mutex);
        return m_lines;
    }

    std::function<void()> hook;

private:
    // The category object itself is not const; the rules of the test
    // environment switch it off, this switches it on for the capture.
    static QLoggingCategory &category() { return const_cast<QLoggingCategory &>(lcEventLog()); }
    static ConsoleCapture *&instance()
    {
        static ConsoleCapture *current = nullptr;
        return current;
    }
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        ConsoleCapture *self = instance();
        if (!self || !context.category || std::strcmp(context.category, "orvane.eventlog") != 0) {
            if (self && self->m_previous)
                self->m_previous(type, context, text);
            return;
        }
        if (self->hook)
            self->hook();
        std::lock_guard lock(self->m_mutex);
        self->m_lines.append(text);
    }

    QtMessageHandler m_previous = nullptr;
    std::mutex m_mutex;
    QStringList m_lines;
};

} // namespace orvane
