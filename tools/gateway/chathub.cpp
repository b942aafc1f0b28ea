#include "chathub.h"

#include "wire.h"

#include <QCryptographicHash>

namespace {

QString key(const QString &name)
{
    return name.toCaseFolded();
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Clients put a blank after user names, so a name ends at the first run of
// blanks and whatever follows that run is the rest of the line.
std::pair<QString, QString> splitWord(const QString &line)
{
    qsizetype i = 0;
    while (i < line.size() && !isBlank(line.at(i)))
        ++i;
    const QString word = line.left(i);
    while (i < line.size() && isBlank(line.at(i)))
        ++i;
    return {word, line.mid(i)};
}

QString trimmedRight(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && isBlank(text.at(end - 1)))
        --end;
    return text.left(end);
}

// FNV-1a: qHash is seeded per process, but a made-up record should not change
// between runs.
quint32 stableHash(const QString &text)
{
    quint32 h = 2166136261u;
    for (const QChar c : text) {
        h ^= c.unicode();
        h *= 16777619u;
    }
    return h;
}

const QString NotLoggedOn = QStringLiteral("That user is not logged on.");

} // namespace

QString ChatHub::logOn(Member *member, const QString &wanted)
{
    QString name = wanted;
    // At most size()+1 suffixes can be tried before one is free.
    for (qsizetype n = 2; !isNameFree(name) && n < m_online.size() + 3; ++n)
        name = wanted + QLatin1Char('#') + QString::number(n);
    member->name = name;
    m_online.insert(key(name), member);
    return name;
}

void ChatHub::logOff(Member *member)
{
    leave(member);
    const auto it = m_online.constFind(key(member->name));
    if (it != m_online.cend() && it.value() == member)
        m_online.erase(it);
}

bool ChatHub::isNameFree(const QString &name) const
{
    return !m_online.contains(key(name));
}

bool ChatHub::admits(const QString &name, const QByteArray &password)
{
    // Only a digest is kept: people type real passwords into demos too.
    const QByteArray digest = QCryptographicHash::hash(password, QCryptographicHash::Sha256);
    const auto it = m_accounts.constFind(key(name));
    if (it == m_accounts.cend()) {
        m_accounts.insert(key(name), digest);
        return true;
    }
    return it->has_value() && **it == digest;
}

void ChatHub::reserve(const QString &name)
{
    m_accounts.insert(key(name), std::nullopt);
}

Member *ChatHub::find(const QString &name) const
{
    return m_online.value(key(name), nullptr);
}

void ChatHub::enter(Member *member, QString channel)
{
    leave(member);
    Channel &target = m_channels[key(channel)];
    if (target.name.isEmpty())
        target.name = channel;

    const QString joinLine = gw::join(member->name, member->flags);
    for (Member *other : std::as_const(target.members))
        other->send(joinLine);
    target.members.append(member);
    member->channel = target.name;

    member->send(gw::channel(target.name));
    // Copy: a send must never see the list change under it.
    const QList<Member *> present = target.members;
    for (const Member *m : present)
        member->send(gw::user(m->name, m->flags));
}

void ChatHub::leave(Member *member)
{
    if (member->channel.isEmpty())
        return;
    const QString channelKey = key(member->channel);
    member->channel.clear();
    const auto it = m_channels.find(channelKey);
    if (it == m_channels.end())
        return;
    it->members.removeOne(member);
    toChannel(it->name, gw::leave(member->name, member->flags));
    dropIfUnused(channelKey);
}

QList<Member *> ChatHub::membersOf(const QString &channel) const
{
    return m_channels.value(key(channel)).members;
}

bool ChatHub::isBanned(const QString &channel, const QString &name) const
{
    const auto it = m_channels.constFind(key(channel));
    return it != m_channels.cend() && it->banned.contains(key(name));
}

void ChatHub::talk(Member *member, const QString &text)
{
    toChannel(member->channel, gw::talk(member->name, member->flags, text), member);
}

void ChatHub::emote(Member *member, const QString &text)
{
    toChannel(member->channel, gw::emote(member->name, member->flags, text));
}

bool ChatHub::whisper(Member *from, const QString &to, const QString &text)
{
    Member *recipient = to.isEmpty() ? nullptr : find(to);
    if (!recipient) {
        from->send(gw::error(NotLoggedOn));
        return false;
    }
    recipient->send(gw::whisperFrom(from->name, from->flags, text));
    from->send(gw::whisperTo(recipient->name, recipient->flags, text));
    recipient->whispered(from->name, text);
    return true;
}

void ChatHub::setFlags(Member *member, const QString &flags)
{
    member->flags = flags;
    toChannel(member->channel, gw::flagsChanged(member->name, flags));
}

void ChatHub::announce(const Member *from, const QString &text)
{
    const QString line = gw::broadcast(QStringLiteral("Announcement from %1: %2").arg(from->name, text));
    const QList<Member *> everyone = m_online.values();
    for (Member *m : everyone)
        m->send(line);
}

void ChatHub::handleLine(Member *member, const QString &line)
{
    if (line.startsWith(QLatin1Char('/'))) {
        const auto [word, rest] = splitWord(line.mid(1));
        command(member, word.toLower(), rest);
        return;
    }
    if (!line.trimmed().isEmpty())
        talk(member, line);
}

void ChatHub::command(Member *member, const QString &word, const QString &rest)
{
    const auto [target, text] = splitWord(rest);
    if (word == u"channel" || word == u"join" || word == u"j") {
        changeChannel(member, trimmedRight(rest));
    } else if (word == u"whisper" || word == u"w" || word == u"msg" || word == u"m") {
        if (target.isEmpty() || !find(target))
            member->send(gw::error(NotLoggedOn));
        else if (text.isEmpty())
            member->send(gw::error(QStringLiteral("What do you want to say?")));
        else
            whisper(member, target, text);
    } else if (word == u"me" || word == u"emote") {
        if (rest.isEmpty())
            member->send(gw::error(QStringLiteral("What do you want to emote?")));
        else
            emote(member, rest);
    } else if (word == u"ban") {
        ban(member, target);
    } else if (word == u"unban") {
        unban(member, target);
    } else if (word == u"rejoin") {
        enter(member, member->channel.isEmpty() ? DefaultChannel : member->channel);
    } else if (word == u"stats") {
        stats(member, target, trimmedRight(text));
    } else if (word == u"whois" || word == u"whereis" || word == u"where") {
        whois(member, target);
    } else if (word == u"help" || word == u"?") {
        help(member);
    } else {
        member->send(gw::error(
            QStringLiteral("That is not a valid command. Type /help or /? for more info.")));
    }
}

void ChatHub::changeChannel(Member *member, const QString &channel)
{
    if (channel.isEmpty()) {
        member->send(gw::error(QStringLiteral("What channel do you want to join?")));
        return;
    }
    if (isBanned(channel, member->name)) {
        member->send(gw::error(QStringLiteral("You are banned from that channel.")));
        return;
    }
    enter(member, channel);
}

void ChatHub::ban(Member *member, const QString &target)
{
    Member *victim = target.isEmpty() ? nullptr : find(target);
    if (!victim) {
        member->send(gw::error(NotLoggedOn));
        return;
    }
    if (victim == member) {
        member->send(gw::error(QStringLiteral("You can't ban yourself.")));
        return;
    }
    const QString channel = member->channel;
    m_channels[key(channel)].banned.insert(key(victim->name));
    toChannel(channel, gw::info(victim->name + QStringLiteral(" was banned by ") + member->name
                                  + QLatin1Char('.')));
    if (key(victim->channel) == key(channel)) {
        leave(victim);
        victim->bannedFrom(*this, channel, member->name);
    }
}

void ChatHub::unban(Member *member, const QString &target)
{
    const auto it = m_channels.find(key(member->channel));
    if (target.isEmpty() || it == m_channels.end() || !it->banned.remove(key(target))) {
        member->send(gw::error(QStringLiteral("That user is not banned.")));
        return;
    }
    const Member *known = find(target);
    toChannel(member->channel, gw::info((known ? known->name : target)
                                          + QStringLiteral(" was unbanned by ") + member->name
                                          + QLatin1Char('.')));
}

void ChatHub::stats(Member *member, const QString &target, const QString &product)
{
    const Member *who = target.isEmpty() ? member : find(target);
    if (!who) {
        member->send(gw::error(NotLoggedOn));
        return;
    }
    const QString code = product.isEmpty() ? who->productCode : product.toUpper();
    const quint32 h = stableHash(key(who->name) + QLatin1Char('/') + code);
    const auto record = [](const QString &kind, quint32 bits) {
        return kind + QStringLiteral(" games: %1 wins, %2 losses, %3 disconnects.")
                          .arg(bits % 200)
                          .arg((bits >> 8) % 150)
                          .arg((bits >> 16) % 9);
    };
    member->send(gw::info(QStringLiteral("Record for %1 (%2):").arg(who->name, code)));
    member->send(gw::info(record(QStringLiteral("Normal"), h)));
    member->send(gw::info(record(QStringLiteral("Ladder"), h * 2654435761u)
                            + QStringLiteral(" Rating %1.").arg(1000 + (h >> 20) % 900)));
}

void ChatHub::whois(Member *member, const QString &target)
{
    const Member *who = target.isEmpty() ? nullptr : find(target);
    if (!who) {
        member->send(gw::error(NotLoggedOn));
        return;
    }
    member->send(gw::info(QStringLiteral("%1 is using %2 in the channel %3.")
                                .arg(who->name, who->productName, who->channel)));
}

void ChatHub::help(Member *member)
{
    static const char *const lines[] = {
        "Chat commands:",
        "/channel <name> (/join): enter a channel. /rejoin: enter your channel again.",
        "/whisper <user> <text> (/w, /msg, /m): send a private message.",
        "/me <text> (/emote): show an action.",
        "/whois <user>: where a user is. /stats <user> <product>: a user's record.",
        "/ban <user>, /unban <user>: keep a user out of your channel.",
    };
    for (const char *line : lines)
        member->send(gw::info(QString::fromLatin1(line)));
}

void ChatHub::toChannel(const QString &channel, const QString &line, const Member *except)
{
    if (channel.isEmpty())
        return;
    const QList<Member *> present = m_channels.value(key(channel)).members;
    for (Member *m : present) {
        if (m != except)
            m->send(line);
    }
}

void ChatHub::dropIfUnused(const QString &channelKey)
{
    const auto it = m_channels.constFind(channelKey);
    if (it != m_channels.cend() && it->members.isEmpty() && it->banned.isEmpty())
        m_channels.erase(it);
}
