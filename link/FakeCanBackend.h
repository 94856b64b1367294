#pragma once

#include "link/CanBackend.h"

#include <string>
#include <vector>

// An in-process bus for tests. It records what the adapter libraries ask of it, can refuse
// each step, lose or hold back frames, and lets a test play the far side: inject frames as
// if a drive had sent them, look at what was transmitted, or answer every transmitted frame
// through a responder.
class FakeCanBackend : public CanBackend {
public:
    // Answers one transmitted frame with the frames the far side sends back.
    using Responder = std::function<std::vector<CanMessage>(const CanMessage& sent)>;

    bool Open(QString* error) override;
    bool SetReference(uint32_t value) override;
    bool Configure(uint32_t bitRate, QString* error) override;
    bool Start(QString* error) override;
    bool Transmit(const CanMessage& msg) override;
    void Close() override;

    // Fault injection.
    void RefuseOpen(bool refuse);
    void RefuseReference(bool refuse);
    void RefuseConfigure(bool refuse);
    void RefuseStart(bool refuse);
    void RefuseTransmit(bool refuse);
    // The next `count` transmitted frames are reported sent but never reach the far side.
    void DropTransmits(int count);
    // The next `count` frames from the far side are lost on the way.
    void DropReceives(int count);
    // Frames from the far side (injected or answered) arrive this much later.
    void SetReceiveDelay(int delayMs);

    // The far side.
    void Inject(const CanMessage& msg, int delayMs = 0);
    void SetResponder(Responder responder);
    std::vector<CanMessage> Transmitted() const;

    // What was asked: the hook names in order ("Open", "SetReference", "Configure",
    // "Start", "Transmit", "Close"), refused ones included.
    std::vector<std::string> Calls() const;
    uint32_t Reference() const;
    uint32_t BitRate() const;
    bool Running() const;

private:
    // A member read or written under the lock.
    template <typename T>
    void Set(T FakeCanBackend::*member, T value);
    template <typename T>
    T Get(T FakeCanBackend::*member) const;
    void Note(const char* call);
    // Notes the call; false, with `why` in error, when the step is refused.
    bool Admit(const char* call, bool refused, QString* error, const char* why);
    void FromFarSide(const CanMessage& msg, int extraDelayMs);

    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
    std::vector<CanMessage> m_transmitted;
    Responder m_responder;
    bool m_refuseOpen = false;
    bool m_refuseReference = false;
    bool m_refuseConfigure = false;
    bool m_refuseStart = false;
    bool m_refuseTransmit = false;
    int m_dropTransmits = 0;
    int m_dropReceives = 0;
    int m_receiveDelayMs = 0;
    uint32_t m_reference = 0;
    uint32_t m_bitRate = 0;
    bool m_open = false;
    bool m_running = false;
};
