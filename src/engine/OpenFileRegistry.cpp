#include "engine/OpenFileRegistry.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <unistd.h>

namespace ostrel::openfiles {

namespace {

// A slot is Free, being Written by track(), or Ready for the handler. Only
// the thread that took a slot fills it, and the handler reads only Ready
// slots, so the name is never read half-written.
enum : int { Free = 0, Writing = 1, Ready = 2 };

struct Slot {
    std::atomic<int> state{Free};
    int dirFd = -1;
    char name[NAME_MAX + 1];
};

// More than the engine ever has open at once (30 plus nested carves).
Slot g_slots[128];

static_assert(std::atomic<int>::is_always_lock_free, "the handler may not take a lock");

} // namespace

int track(int dirFd, const char* name)
{
    const size_t length = std::strlen(name);
    if (length + sizeof kIncompleteSuffix > sizeof g_slots[0].name)
        return -1;
    for (int i = 0; i < static_cast<int>(std::size(g_slots)); ++i) {
        int expected = Free;
        if (!g_slots[i].state.compare_exchange_strong(expected, Writing))
            continue;
        g_slots[i].dirFd = dirFd;
        std::memcpy(g_slots[i].name, name, length + 1);
        g_slots[i].state.store(Ready);
        return i;
    }
    return -1;
}

void release(int slot)
{
    if (slot >= 0 && slot < static_cast<int>(std::size(g_slots)))
        g_slots[slot].state.store(Free);
}

int setAsideAll()
{
    int renamed = 0;
    for (Slot& slot : g_slots) {
        if (slot.state.load() != Ready)
            continue;
        char aside[sizeof slot.name + sizeof kIncompleteSuffix];
        const size_t length = std::strlen(slot.name);
        std::memcpy(aside, slot.name, length);
        std::memcpy(aside + length, kIncompleteSuffix, sizeof kIncompleteSuffix);
        if (::renameat2(slot.dirFd, slot.name, slot.dirFd, aside, RENAME_NOREPLACE) == 0)
            ++renamed;
    }
    return renamed;
}

void setAsideAndDie(int signal)
{
    const int saved = errno;
    setAsideAll();
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    errno = saved;
    ::raise(signal);
}

} // namespace ostrel::openfiles
