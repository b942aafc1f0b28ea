#pragma once

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QSet>
#include <QString>

#include <array>
#include <optional>
#include <utility>

// Weights of the line kinds a flood is made of.
struct FloodMix
{
    enum Kind { Talk, Emote, Info, Join, Leave, KindCount };

    std::array<int, KindCount> weights{70, 10, 10, 5, 5};

    // "talk=70,emote=10,..."; kinds left out get weight 0.
    static std::optional<FloodMix> parse(const QString &text, QString *error);
    static QString kindName(Kind kind);
    int total() const;
};

// Makes a flood one line at a time, so no more than a piece of it is ever in
// memory. The same seed and starting list give the same bytes.
class FloodGenerator
{
public:
    // `others` are the members the client was listed with, besides itself.
    FloodGenerator(qint64 lines, const FloodMix &mix, quint32 seed, const QString &self,
                   const QList<std::pair<QString, QString>> &others);

    bool done() const { return m_emitted >= m_lines; }
    // Appends one line with its CR LF.
    void appendLine(QByteArray &out);
    // "flood: lines=.. talk=.. emote=.. info=.. join=.. leave=.. members=.."
    QString summary() const;

private:
    struct Present
    {
        QByteArray name;
        QByteArray flags;
    };

    FloodMix::Kind pickKind();
    void appendJoin(QByteArray &out);
    void appendLeave(QByteArray &out);
    void appendSpoken(QByteArray &out, const char *prefix);
    void appendText(QByteArray &out);
    QByteArray freshName();
    QByteArray pickFlags();

    qint64 m_lines;
    qint64 m_emitted = 0;
    FloodMix m_mix;
    QRandomGenerator m_rng;
    QList<Present> m_others;     // in the channel now, the client aside
    QSet<QByteArray> m_taken;    // lower-case names in the channel, the client too
    quint32 m_serial = 0;
    std::array<qint64, FloodMix::KindCount> m_counts{};
};
