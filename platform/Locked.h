#pragma once

#include <condition_variable>
#include <mutex>

// Makes a change that threads waiting on cond test for, under mutex, then wakes them all.
template <typename Change>
void ChangeAndNotifyAll(std::mutex& mutex, std::condition_variable& cond, Change change)
{
    {
        std::lock_guard lock(mutex);
        change();
    }
    cond.notify_all();
}

// A copy of value taken under mutex.
template <typename T>
T ReadLocked(std::mutex& mutex, const T& value)
{
    std::lock_guard lock(mutex);
    return value;
}
