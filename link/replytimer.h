#pragma once

#include "linkprotocol.h"

#include <QHash>
#include <QtGlobal>

// Learns how long the controller takes to answer each kind of request, the way TCP's
// retransmission timer does (smoothed reply time plus four times its variation), so that a
// resend waits until a reply could have arrived. A slow EEPROM write and a quick read differ by
// a factor of ten, so every request type keeps its own estimate; manual and step command
// packets share one.
class ReplyTimer
{
public:
    // The first resends of one request double the wait, in case the controller became slower;
    // beyond four times the estimate the losses are real and waiting longer only delays the
    // give-up. Never beyond the link watchdog's period: a controller that answers at all
    // answers within it.
    static constexpr int kMaxBackoffShift = 2;
    static constexpr qint64 kMaxTimeoutMs = 1500;
    // Scheduling jitter on either side of the link: never wait less than this beyond the
    // smoothed reply time.
    static constexpr qint64 kMinMarginMs = 20;

    using PacketType = LinkProtocol::PacketType;

    bool isMeasured(PacketType type) const { return m_estimates.contains(kindOf(type)); }
    void addSample(PacketType type, qint64 ms);
    // How long after sending a copy its reply may still come; 0 when nothing was measured.
    qint64 timeoutMs(PacketType type, int resends = 0) const;
    // The smoothed reply time in ms; 0 when nothing was measured.
    qint64 smoothedMs(PacketType type) const;
    void reset() { m_estimates.clear(); }

private:
    struct Estimate
    {
        double smoothed = 0;
        double variation = 0;
    };

    static PacketType kindOf(PacketType type)
    {
        return type == PacketType::ManualCommand ? PacketType::StepCommand : type;
    }

    QHash<PacketType, Estimate> m_estimates;
};
