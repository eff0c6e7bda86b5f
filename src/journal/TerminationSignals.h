// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace wendle {

/**
 * Turns SIGTERM, SIGINT and SIGHUP into a signal on the event loop, so a process asked to end can finish its
 * writing first. The handler only writes a byte to a socket pair (async-signal-safe); the event loop reads it
 * and emits `received`. One per process: a second one would take the handlers from the first.
 */
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    /** False when the socket pair could not be made: the signals then keep their default action. */
    [[nodiscard]] bool isWatching() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void received();

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace wendle
