#pragma once

#include "outbound/Composer.h"
#include "outbound/Pacing.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <optional>

// Every line the user sends after the login waits here, in order, until the
// rule lets it go. The window asks when the first one is due, writes it when
// it is, and then marks it sent; times are the window's monotonic clock in ms.
class OutboundQueue
{
public:
    struct Line
    {
        QByteArray bytes; // on the wire, without the line end
        QString echo;
    };

    // No rule: every line may go at once.
    void setRule(std::optional<outbound::PaceRule> rule, qint64 marginMs = outbound::DefaultMarginMs);
    const std::optional<outbound::PaceRule> &rule() const { return m_rule; }

    // The lines of one input, behind those already waiting.
    void add(const QList<outbound::Outgoing> &lines);
    // A line of the program's own, before everything waiting. It is nobody's
    // input: taking it back gives the input line nothing.
    void addFirst(const QString &line);
    qsizetype waiting() const { return m_waiting.size(); }

    // When the first waiting line may go: nowMs, or later.
    qint64 dueAt(qint64 nowMs) const;
    // The first waiting line, and taking it out as sent at nowMs.
    const Line &first() const { return m_waiting.first().line; }
    void markSent(qint64 nowMs);

    // Empties the queue. For each input with lines still waiting, oldest
    // first, what the input line gets back for them.
    QStringList takeBack();

private:
    struct Waiting
    {
        Line line;
        QString rest;
        quint64 input;
    };

    std::optional<outbound::PaceRule> m_rule;
    qint64 m_marginMs = outbound::DefaultMarginMs;
    QList<Waiting> m_waiting;
    QList<outbound::SentLine> m_sent; // oldest first; only those that may still count
    quint64 m_inputs = 0;
};
