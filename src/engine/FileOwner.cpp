#include "engine/FileOwner.h"

#include <cerrno>
#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace ostrel {

namespace {

// A user or group number written in decimal; false for anything else and
// for the -1 that chown reads as "no change".
bool parseId(const QString& text, quint32* id)
{
    bool ok = false;
    const quint32 value = text.trimmed().toUInt(&ok, 10);
    if (!ok || value == static_cast<quint32>(-1))
        return false;
    *id = value;
    return true;
}

bool primaryGroup(uid_t uid, gid_t* gid)
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return false;
    *gid = found->pw_gid;
    return true;
}

} // namespace

void FileOwner::applyTo(int fd) const
{
    if (change && fd >= 0)
        (void)::fchown(fd, uid, gid);
}

FileOwner invokingUser(const QProcessEnvironment& environment, uid_t effectiveUid)
{
    FileOwner owner;
    if (effectiveUid != 0)
        return owner;
    quint32 uid = 0;
    quint32 gid = 0;
    if (parseId(environment.value(QStringLiteral("PKEXEC_UID")), &uid)) {
        owner.uid = uid;
        gid_t group;
        if (primaryGroup(uid, &group))
            owner.gid = group;
    } else if (parseId(environment.value(QStringLiteral("SUDO_UID")), &uid)) {
        owner.uid = uid;
        if (parseId(environment.value(QStringLiteral("SUDO_GID")), &gid))
            owner.gid = gid;
    } else {
        return owner;
    }
    owner.change = owner.uid != 0;
    return owner;
}

FileOwner invokingUser()
{
    return invokingUser(QProcessEnvironment::systemEnvironment(), ::geteuid());
}

} // namespace ostrel
