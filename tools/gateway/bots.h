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

private:
    BotCrowd &m_crowd;
};

// Simulated members that keep the default channel alive in a demo.
class BotCrowd : public QObject
{
    Q_OBJECT

public:
    BotCrowd(ChatHub &hub, QObject *parent = nullptr);
    ~BotCrowd() override;

    void answerWhisper(Bot *bot, const QString &from);

private:
    void scheduleNext();
    void act();
    void rejoin(Bot *bot);

    ChatHub &m_hub;
    std::vector<std::unique_ptr<Bot>> m_bots;
    QTimer m_timer;
    QRandomGenerator m_rng;
};
