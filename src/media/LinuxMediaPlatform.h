#pragma once
// The media listing's system half on Linux: mounted volumes from
// /proc/self/mountinfo, device facts from `lsblk --json --bytes` (once on all
// devices to know which are removable and which are not mounted, then once
// per listed volume with --inverse for its dictionary), and the optical
// medium type from the udev database. The tool runner and the file
// locations can be replaced, so the whole step runs in tests on recorded
// answers.

#include "device/MountInfo.h"
#include "media/LsblkJson.h"
#include "media/MediaPlatform.h"

#include <QByteArray>

#include <functional>
#include <optional>

class LinuxMediaPlatform : public MediaPlatform {
public:
    // Runs a program and returns what it wrote on standard output, or nothing
    // when it could not be started or did not finish in time. Its exit status
    // is not looked at; its standard error goes to ours.
    using ToolRunner = std::function<std::optional<QByteArray>(const QString& program, const QStringList& arguments)>;

    struct Locations {
        QString mountInfo = QStringLiteral("/proc/self/mountinfo");
        QString sysRoot = QStringLiteral("/sys");
        QString udevData = QStringLiteral("/run/udev/data");
    };

    LinuxMediaPlatform();
    LinuxMediaPlatform(ToolRunner runner, Locations locations);

    QStringList mountedRemovableMedia() override;
    QStringList mountedLocalVolumePaths() override;
    QVariantMap diskInfo(const QString& mountPath) override;
    QList<QVariantMap> unmountedDeviceInfos(bool includeFixedPartitions) override;

    // The lsblk columns asked for (for `--output`).
    static QString lsblkColumns();

    // The default runner: QProcess, 10 seconds at most.
    static std::optional<QByteArray> runTool(const QString& program, const QStringList& arguments);

private:
    QList<MountEntry> readVolumeMounts() const;
    QString deviceNodeFor(const MountEntry& mount) const;
    QStringList udevProperties(const QString& majMin) const;
    std::optional<QList<LsblkDevice>> allDevices();

    ToolRunner runner_;
    Locations locations_;
};
