#include "bots.h"

#include <QList>

// Texts are kept as the bytes that go on the wire: the gateway relays bytes,
// and real channels carry UTF-8 from game clients next to 8-bit text from
// older ones.
struct Voice
{
    const char *const *chatter;
    quint32 chatterCount;
    const char *reply; // nullptr: one of the shared replies
};

namespace {

struct Persona
{
    const char *name;
    const char *flags;
    const char *productCode;
    const char *productName;
    const Voice *voice; // nullptr: the shared English chatter, emotes too
};

// UTF-8, written as such in this file.
const char *const AccentedChatter[] = {
    "quelqu'un pour une partie rapide ? ça me tente",
    "¿alguien juega esta noche? ¡vamos!",
    "São Paulo está acordado, e vocês?",
    "déjà vu, ce niveau encore…",
};
const Voice Accented{AccentedChatter, 4, "Merci ! Je suis un robot de démo, à bientôt."};

const char *const CyrillicChatter[] = {
    "привет, как дела? €",
    "кто-нибудь играет сегодня?",
    "хорошая игра, всем спасибо",
};
const Voice Cyrillic{CyrillicChatter, 3, "Спасибо за шёпот! Я всего лишь демо-бот."};

// 8-bit Latin-1 bytes, as an older client sends them: not UTF-8 anywhere.
const char *const Latin1Chatter[] = {
    "Gr\xfc\xdf" "e aus K\xf6ln!",
    "Sch\xf6nes Spiel, danke sch\xf6n",
    "na, wer spielt noch eine Runde? \xbfqu\xe9 tal?",
};
const Voice Latin1{Latin1Chatter, 3, "Danke f\xfcr das Fl\xfcstern, ich bin nur ein Demo-Bot."};

// Flags as servers write them, one bit each: 0002 channel operator, 0008
// server administrator, 0010 no UDP, 0020 squelched.
const Persona Personas[] = {
    {"heron", "0012", "LARK", "Larkspur Online", nullptr},
    {"nightowl", "0018", "FENW", "Fenwick Tactics", nullptr},
    {"kestrel", "0000", "IRON", "Ironhollow", nullptr},
    {"finch", "0010", "QUIL", "Quillon", nullptr},
    {"plover", "0030", "LARK", "Larkspur Online", nullptr},
    {"Zoë", "0010", "LARK", "Larkspur Online", &Accented},
    {"Дмитрий", "0000", "FENW", "Fenwick Tactics", &Cyrillic},
    {"J\xfcrgen", "0010", "IRON", "Ironhollow", &Latin1},
};

const char *const Chatter[] = {
    "anyone up for a quick game?",
    "brb, kettle's on",
    "that last match was wild",
    "gg everyone",
    "has anyone seen the new map rotation?",
    "evening, Marrow Vale",
    "lag is terrible tonight",
    "who wants to team up for ranked?",
    "I keep losing to early rushes, any tips?",
    "back",
    "lol",
    "the ladder resets next week, I think",
    "nice to see some new names in here",
    "does anyone know a good opening for the swamp map?",
    "ok, that was embarrassing",
    "quiet in here today",
    "morning all",
    "I need one more for a 2v2",
    "just hit a new personal best!",
    "anyone on the northern servers?",
    "what's everyone playing these days?",
    "this channel is my happy place",
    "coffee number three...",
    "hmm",
};

const char *const Emotes[] = {
    "stretches and yawns.",
    "waves at everyone.",
    "is looking for a team.",
    "hums quietly.",
    "raises a mug.",
    "checks the ladder standings.",
    "is away for a minute.",
    "nods.",
};

const char *const Announcements[] = {
    "Server restarts in 5 minutes",
    "The ladder resets on Sunday at midnight",
    "Please keep the chat friendly; operators may remove those who do not",
    "A new map rotation is live: Swamp of Echoes and Marrow Ridge",
    "Maintenance tonight from 02:00, expect short disconnects",
};

constexpr uint ChannelOperator = 0x0002;
constexpr uint ServerAdministrator = 0x0008;

uint bitsOf(const QString &flags)
{
    return flags.toUInt(nullptr, 16);
}

QString flagsOf(uint bits)
{
    return QStringLiteral("%1").arg(bits, 4, 16, QLatin1Char('0')).toUpper();
}

const char *const Replies[] = {
    "Hi! I'm only a demo bot, but thanks for the whisper.",
    "Can't talk long, my queue just popped!",
    "hey :)",
    "Mostly I talk about games. Try the channel!",
};

template <typename T, size_t N>
constexpr quint32 countOf(const T (&)[N])
{
    return quint32(N);
}

} // namespace

void Bot::whispered(const QString &from, const QString &text)
{
    Q_UNUSED(text);
    m_crowd.answerWhisper(this, from);
}

void Bot::bannedFrom(ChatHub &hub, const QString &fromChannel, const QString &by)
{
    Q_UNUSED(fromChannel);
    Q_UNUSED(by);
    // Bots only live in the default channel; they stay away until unbanned.
    hub.logOff(this);
}

BotCrowd::BotCrowd(ChatHub &hub, qint64 tickMs, QObject *parent)
    : QObject(parent), m_hub(hub), m_tickMs(tickMs), m_rng(QRandomGenerator::securelySeeded())
{
    for (const Persona &p : Personas) {
        auto bot = std::make_unique<Bot>(*this);
        bot->name = QString::fromLatin1(p.name);
        bot->ownFlags = QString::fromLatin1(p.flags);
        // Their accounts are on already, as far as a client is concerned.
        m_hub.reserve(bot->name);
        bot->productCode = QString::fromLatin1(p.productCode);
        bot->productName = QString::fromLatin1(p.productName);
        bot->voice = p.voice;
        rejoin(bot.get());
        m_bots.push_back(std::move(bot));
    }
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &BotCrowd::act);
    scheduleNext();
    // Rarer than chatter, but soon enough that a first visit sees each.
    for (QTimer *timer : {&m_announceTimer, &m_opsTimer})
        timer->setSingleShot(true);
    connect(&m_announceTimer, &QTimer::timeout, this, &BotCrowd::announce);
    connect(&m_opsTimer, &QTimer::timeout, this, &BotCrowd::passOps);
    m_announceTimer.start(wait(30000, 60000));
    m_opsTimer.start(wait(20000, 40000));
}

BotCrowd::~BotCrowd()
{
    for (const auto &bot : m_bots) {
        if (!bot->channel.isEmpty())
            m_hub.logOff(bot.get());
    }
}

void BotCrowd::answerWhisper(Bot *bot, const QString &from)
{
    if (bot->replyPending)
        return;
    bot->replyPending = true;
    const QString reply = QString::fromLatin1(bot->voice && bot->voice->reply
                                                  ? bot->voice->reply
                                                  : Replies[m_rng.bounded(countOf(Replies))]);
    QTimer::singleShot(wait(800, 2300), this, [this, bot, from, reply] {
        bot->replyPending = false;
        // Either side may have left in the meantime.
        if (!bot->channel.isEmpty() && m_hub.find(from))
            m_hub.whisper(bot, from, reply);
    });
}

int BotCrowd::wait(int minMs, int maxMs)
{
    const qint64 ms = minMs + qint64(m_rng.bounded(maxMs - minMs + 1));
    return int(qMax<qint64>(1, ms * m_tickMs / 1000));
}

void BotCrowd::scheduleNext()
{
    m_timer.start(wait(2000, 5000));
}

void BotCrowd::act()
{
    QList<Bot *> online;
    QList<Bot *> offline;
    for (const auto &bot : m_bots)
        (bot->channel.isEmpty() ? offline : online).append(bot.get());

    const quint32 roll = m_rng.bounded(100);
    if (!offline.isEmpty() && (roll < 15 || online.size() < 2)) {
        rejoin(offline.at(m_rng.bounded(int(offline.size()))));
    } else if (online.size() > 2 && roll < 25) {
        // The members with texts beyond ASCII stay, so the demo always has
        // someone of each kind to whisper to.
        Bot *bot = online.at(m_rng.bounded(int(online.size())));
        if (!bot->voice)
            m_hub.logOff(bot);
    } else if (!online.isEmpty()) {
        Bot *bot = online.at(m_rng.bounded(int(online.size())));
        if (bot->voice)
            m_hub.talk(bot, QString::fromLatin1(bot->voice->chatter[m_rng.bounded(bot->voice->chatterCount)]));
        else if (roll < 40)
            m_hub.emote(bot, QString::fromLatin1(Emotes[m_rng.bounded(countOf(Emotes))]));
        else
            m_hub.talk(bot, QString::fromLatin1(Chatter[m_rng.bounded(countOf(Chatter))]));
    }
    scheduleNext();
}

void BotCrowd::announce()
{
    for (const auto &bot : m_bots) {
        if (!bot->channel.isEmpty() && (bitsOf(bot->flags) & ServerAdministrator)) {
            m_hub.announce(bot.get(), QString::fromLatin1(Announcements[m_rng.bounded(countOf(Announcements))]));
            m_announceTimer.start(wait(120000, 240000));
            return;
        }
    }
    // No administrator about: ask again once one may have come back.
    m_announceTimer.start(wait(5000, 15000));
}

void BotCrowd::passOps()
{
    // Ops pass from the member last given them to another, so given ops
    // never pile up on the members who never leave.
    QList<Bot *> candidates;
    for (const auto &bot : m_bots) {
        if (!bot->channel.isEmpty() && !(bitsOf(bot->flags) & ChannelOperator))
            candidates.append(bot.get());
    }
    if (m_opsGiven && !m_opsGiven->channel.isEmpty())
        m_hub.setFlags(m_opsGiven, m_opsGiven->ownFlags);
    m_opsGiven = nullptr;
    if (!candidates.isEmpty()) {
        m_opsGiven = candidates.at(m_rng.bounded(int(candidates.size())));
        m_hub.setFlags(m_opsGiven, flagsOf(bitsOf(m_opsGiven->flags) | ChannelOperator));
    }
    m_opsTimer.start(wait(60000, 120000));
}

void BotCrowd::rejoin(Bot *bot)
{
    // The name is reserved, but a ban keeps the bot away until it is lifted.
    if (!m_hub.isNameFree(bot->name) || m_hub.isBanned(ChatHub::DefaultChannel, bot->name))
        return;
    if (bot == m_opsGiven)
        m_opsGiven = nullptr;
    bot->flags = bot->ownFlags;
    m_hub.logOn(bot, bot->name);
    m_hub.enter(bot, ChatHub::DefaultChannel);
}
