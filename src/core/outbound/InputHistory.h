#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The lines sent from the input line during this run, for Up and Down to
// walk through as a shell does. Nothing is kept between runs.
class InputHistory
{
public:
    static constexpr qsizetype Limit = 100;

    // A line that went out. It becomes the newest, the oldest goes past the
    // limit, and a walk in progress ends: the next Up starts afresh. An
    // empty line ends the walk but is not kept.
    void record(const QString &line);

    // What the input line shows after Up or Down, or nothing when the key
    // has nowhere to go. The first Up of a walk keeps the shown text as the
    // draft, which Down past the newest line gives back unchanged.
    std::optional<QString> up(const QString &shown);
    std::optional<QString> down();

private:
    QStringList m_lines; // oldest first
    qsizetype m_at = -1; // the line shown by the walk, -1 outside a walk
    QString m_draft;
};
