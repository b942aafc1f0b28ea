#include "outbound/InputHistory.h"

#include <utility>

void InputHistory::record(const QString &line)
{
    m_at = -1;
    m_draft.clear();
    // An empty line would come back looking like no recall at all.
    if (line.isEmpty())
        return;
    m_lines.append(line);
    if (m_lines.size() > Limit)
        m_lines.removeFirst();
}

std::optional<QString> InputHistory::up(const QString &shown)
{
    if (m_at == 0 || m_lines.isEmpty())
        return std::nullopt; // at the oldest, or nothing sent yet
    if (m_at < 0) {
        m_draft = shown;
        m_at = m_lines.size();
    }
    return m_lines.at(--m_at);
}

std::optional<QString> InputHistory::down()
{
    if (m_at < 0)
        return std::nullopt;
    if (++m_at < m_lines.size())
        return m_lines.at(m_at);
    m_at = -1;
    return std::exchange(m_draft, QString());
}
