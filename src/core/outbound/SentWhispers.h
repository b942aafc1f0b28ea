#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace outbound {

// A whisper as a line we send spells it: /w, /whisper, /m or /msg (any
// case), a name, a text. Nothing for any other line.
struct Whisper
{
    QString to;
    QString text;
    bool operator==(const Whisper &) const = default;
};
std::optional<Whisper> whisperOf(QStringView sentLine);

// Whispers written on this connection that the server has not confirmed.
//
// A server that confirms whispers (1010) says whom each went to, which the
// composer's echo of a whisper does not. Until this connection's server has
// confirmed one, a whisper is echoed when it is written, and its
// confirmation then shows nothing more; after that, it is not echoed, and
// its confirmation shows it. Either way each shows once. A server confirms
// in order, so a confirmation also settles every whisper written before it:
// those were refused, and their place is freed.
class SentWhispers
{
public:
    static constexpr qsizetype MaxPending = 64;

    // Whether a whisper written now is echoed at once.
    bool echoesNow() const { return !m_confirming; }
    void written(const Whisper &whisper, bool echoed);
    // A confirmation: whether it is to be shown.
    bool confirmed(QStringView to, QStringView text);
    // A new connection: its server has confirmed nothing yet.
    void reset();

private:
    struct Pending
    {
        Whisper whisper;
        bool echoed;
    };
    QList<Pending> m_pending; // oldest first
    bool m_confirming = false;
};

} // namespace outbound
