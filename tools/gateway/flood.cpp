#include "flood.h"

#include <QStringList>

namespace {

const char *const KindNames[] = {"talk", "emote", "info", "join", "leave"};

const char *const NameStems[] = {
    "Ash", "Bramble", "Cinder", "Dusk", "Elm", "Fern", "Gale", "Hollow", "Ivy", "Juniper",
    "Kite", "Lumen", "Moss", "North", "Oak", "Pike", "Quill", "Rook", "Sable", "Thorn",
    "Umber", "Vesper", "Wren", "Yarrow", "Zephyr", "Marten", "Sorrel", "Tamsin",
};
const char *const NameTails[] = {
    "wood", "fall", "runner", "song", "shade", "mark", "ling", "fox", "wing", "brook", "hart",
};

// A few words carry bytes above 0x7F or quotes, as real chat does.
const char *const Words[] = {
    "the", "a", "and", "to", "of", "in", "is", "it", "you", "that", "was", "for", "on", "are",
    "with", "they", "be", "at", "one", "have", "this", "from", "by", "hot", "word", "but",
    "what", "some", "we", "can", "out", "other", "were", "all", "there", "when", "up", "use",
    "your", "how", "said", "an", "each", "she", "which", "do", "their", "time", "if", "will",
    "way", "about", "many", "then", "them", "write", "would", "like", "so", "these", "her",
    "long", "make", "thing", "see", "him", "two", "has", "look", "more", "day", "could", "go",
    "come", "did", "number", "sound", "no", "most", "people", "my", "over", "know", "water",
    "than", "call", "first", "who", "may", "down", "side", "been", "now", "find", "anyone",
    "lobby", "game", "map", "ladder", "brb", "lol", "gg", "afk", "tonight", "server", "lag",
    "rematch", "team", "ranked", "anyone?", "haha", "ok", "thanks!", "hello", "again",
    ":)", ";-)", "<3", "\"quoted\"", "caf\xe9", "na\xefve", "\xfc" "ber", "se\xf1or", "fa\xe7" "ade",
};

const char *const Endings[] = {"", "", "", ".", "!", "?", "...", " :)"};

template <typename T, size_t N>
constexpr quint32 countOf(const T (&)[N])
{
    return quint32(N);
}

} // namespace

std::optional<FloodMix> FloodMix::parse(const QString &text, QString *error)
{
    FloodMix mix;
    mix.weights.fill(0);
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        const QString kind = part.left(eq).trimmed().toLower();
        bool ok = false;
        const int weight = eq < 0 ? -1 : part.mid(eq + 1).trimmed().toInt(&ok);
        int index = -1;
        for (int k = 0; k < KindCount; ++k) {
            if (kind == QLatin1String(KindNames[k]))
                index = k;
        }
        if (index < 0 || !ok || weight < 0 || weight > 1000000) {
            *error = QStringLiteral("bad --mix entry \"%1\" (expected talk|emote|info|join|leave=N)")
                         .arg(part);
            return std::nullopt;
        }
        mix.weights[index] = weight;
    }
    if (mix.total() <= 0) {
        *error = QStringLiteral("--mix needs at least one positive weight");
        return std::nullopt;
    }
    return mix;
}

QString FloodMix::kindName(Kind kind)
{
    return QString::fromLatin1(KindNames[kind]);
}

int FloodMix::total() const
{
    int sum = 0;
    for (const int w : weights)
        sum += w;
    return sum;
}

FloodGenerator::FloodGenerator(qint64 lines, const FloodMix &mix, quint32 seed, const QString &self,
                               const QList<std::pair<QString, QString>> &others)
    : m_lines(lines), m_mix(mix), m_rng(seed)
{
    m_taken.insert(self.toLatin1().toLower());
    for (const auto &[name, flags] : others) {
        m_others.append({name.toLatin1(), flags.toLatin1()});
        m_taken.insert(name.toLatin1().toLower());
    }
}

void FloodGenerator::appendLine(QByteArray &out)
{
    FloodMix::Kind kind = pickKind();
    // Nobody else to speak or leave: someone arrives instead, which keeps the
    // member count exact.
    if (kind != FloodMix::Info && kind != FloodMix::Join && m_others.isEmpty())
        kind = FloodMix::Join;

    switch (kind) {
    case FloodMix::Talk:
        appendSpoken(out, "1005 TALK ");
        break;
    case FloodMix::Emote:
        appendSpoken(out, "1023 EMOTE ");
        break;
    case FloodMix::Info:
        out += "1018 INFO \"";
        appendText(out);
        out += '"';
        break;
    case FloodMix::Join:
        appendJoin(out);
        break;
    case FloodMix::Leave:
        appendLeave(out);
        break;
    case FloodMix::KindCount:
        break;
    }
    out += "\r\n";
    ++m_counts[kind];
    ++m_emitted;
}

QString FloodGenerator::summary() const
{
    QString text = QStringLiteral("flood: lines=%1").arg(m_emitted);
    for (int k = 0; k < FloodMix::KindCount; ++k)
        text += QStringLiteral(" %1=%2").arg(FloodMix::kindName(FloodMix::Kind(k))).arg(m_counts[k]);
    return text + QStringLiteral(" members=%1").arg(m_others.size() + 1);
}

FloodMix::Kind FloodGenerator::pickKind()
{
    int roll = int(m_rng.bounded(quint32(m_mix.total())));
    for (int k = 0; k < FloodMix::KindCount; ++k) {
        roll -= m_mix.weights[k];
        if (roll < 0)
            return FloodMix::Kind(k);
    }
    return FloodMix::Talk;
}

void FloodGenerator::appendJoin(QByteArray &out)
{
    Present p{freshName(), pickFlags()};
    out += "1002 JOIN " + p.name + ' ' + p.flags + " [CHAT]";
    m_taken.insert(p.name.toLower());
    m_others.append(std::move(p));
}

void FloodGenerator::appendLeave(QByteArray &out)
{
    const qsizetype i = qsizetype(m_rng.bounded(quint32(m_others.size())));
    const Present p = m_others.at(i);
    m_others.swapItemsAt(i, m_others.size() - 1);
    m_others.removeLast();
    m_taken.remove(p.name.toLower());
    out += "1003 LEAVE " + p.name + ' ' + p.flags;
}

void FloodGenerator::appendSpoken(QByteArray &out, const char *prefix)
{
    const Present &p = m_others.at(qsizetype(m_rng.bounded(quint32(m_others.size()))));
    out += prefix;
    out += p.name + ' ' + p.flags + " \"";
    appendText(out);
    out += '"';
}

void FloodGenerator::appendText(QByteArray &out)
{
    const qsizetype start = out.size();
    const qsizetype target = 10 + m_rng.bounded(111); // 10..120 characters
    const QByteArray ending = Endings[m_rng.bounded(countOf(Endings))];
    // Words are short, so stopping before the target still leaves at least 10.
    for (int guard = 0; guard < 200; ++guard) {
        const QByteArray word = Words[m_rng.bounded(countOf(Words))];
        const qsizetype used = out.size() - start;
        const qsizetype needed = (used ? 1 : 0) + word.size() + ending.size();
        if (used + needed > target && used >= 10 - ending.size())
            break;
        if (used + needed > 120)
            break;
        if (used)
            out += ' ';
        out += word;
    }
    out += ending;
    const char first = out.at(start);
    if (first >= 'a' && first <= 'z' && m_rng.bounded(3) == 0)
        out[start] = char(first - 'a' + 'A');
}

QByteArray FloodGenerator::freshName()
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        QByteArray name = NameStems[m_rng.bounded(countOf(NameStems))];
        switch (m_rng.bounded(4)) {
        case 0:
            name += NameTails[m_rng.bounded(countOf(NameTails))];
            break;
        case 1:
            name = name.toLower() + QByteArray::number(m_rng.bounded(10, 100));
            break;
        case 2:
            name += '_' + QByteArray(NameTails[m_rng.bounded(countOf(NameTails))]);
            break;
        default:
            name = name.toLower() + NameTails[m_rng.bounded(countOf(NameTails))];
            break;
        }
        if (!m_taken.contains(name.toLower()))
            return name;
    }
    // The serial only grows, so this ends once it passes every taken name.
    QByteArray name;
    for (qsizetype guard = 0; guard <= m_taken.size(); ++guard) {
        name = "Guest" + QByteArray::number(++m_serial);
        if (!m_taken.contains(name.toLower()))
            break;
    }
    return name;
}

QByteArray FloodGenerator::pickFlags()
{
    const quint32 roll = m_rng.bounded(100);
    if (roll < 70)
        return "0010";
    if (roll < 85)
        return "0000";
    if (roll < 93)
        return "0012";
    return "0002";
}
