#pragma once

#include <string>
#include <string_view>

// The simulated drive's end of a pseudo-terminal: the program opens the slave path as its
// serial port. The line is put into raw mode at once, so no echo or line-end translation
// happens even before the program sets it up. Non-blocking; owned by one thread.
class PtyPort {
public:
    PtyPort() = default;
    ~PtyPort();
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    // Creates the pseudo-terminal; with a link path, also a symbolic link to the slave
    // (replacing an old link there), so that scripts and profiles can name a fixed path.
    bool Open(const std::string& linkPath, std::string* error);
    void Close();

    int Fd() const { return m_fd; }
    const std::string& SlavePath() const { return m_slavePath; }

    // Reads what the program has written. `hungUp` turns true once no one holds the slave
    // open any more (after a program closed it); the caller then polls less eagerly.
    std::string Read(bool* hungUp);
    // Writes bytes; what the line cannot take now is kept and sent by Flush.
    void Write(std::string_view bytes);
    void Flush();
    bool HasPendingOutput() const { return !m_out.empty(); }

private:
    int m_fd = -1;
    std::string m_slavePath;
    std::string m_linkPath;
    std::string m_out;
};
