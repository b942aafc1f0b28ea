#pragma once

#include "chathub.h"
#include "member.h"

#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

#include <memory>
#include <vector>

class BotCrowd;
struct Voice;

class Bot : public Member
{
public:
    explicit Bot(BotCrowd &crowd) : m_crowd(crowd) {}

    void send(const QString &) override {}
    void whispered(const QString &from, const QString &text) override;
    void bannedFrom(ChatHub &hub, const QString &fromChannel, const QString &by) override;

    bool replyPending = false;
    const Voice *voice = nullptr;
    QString ownFlags; // flags given in the channel last only until it leaves

private:
    BotCrowd &m_crowd;
};

// Simulated members that keep the default channel alive in a demo.
class BotCrowd : public QObject
{
    Q_OBJECT

public:
    // tickMs: the length of the crowd's second, so tests need not wait.
    BotCrowd(ChatHub &hub, qint64 tickMs = 1000, QObject *parent = nullptr);
    ~BotCrowd() override;

    void answerWhisper(Bot *bot, const QString &from);

private:
    // A random wait from minMs to maxMs, on the crowd's clock.
    int wait(int minMs, int maxMs);
    void scheduleNext();
    void act();
    void announce();
    void passOps();
    void rejoin(Bot *bot);

    ChatHub &m_hub;
    qint64 m_tickMs;
    std::vector<std::unique_ptr<Bot>> m_bots;
    Bot *m_opsGiven = nullptr; // the member that holds ops it was given
    QTimer m_timer;
    QTimer m_announceTimer;
    QTimer m_opsTimer;
    QRandomGenerator m_rng;
};
