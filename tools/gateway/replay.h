#pragma once

#include "options.h"

#include <QObject>

class QTcpSocket;

// Sends a recorded byte stream in chunks with pauses between them, so a
// client sees lines cut at every possible place.
class ReplaySender : public QObject
{
    Q_OBJECT

public:
    ReplaySender(QTcpSocket *socket, const ReplayOptions &options, QObject *parent);

private:
    void sendNext();
    void onBytesWritten();

    QTcpSocket *m_socket;
    ReplayOptions m_options;
    qsizetype m_offset = 0;
    qsizetype m_chunk = 0;
    bool m_draining = false;
};
