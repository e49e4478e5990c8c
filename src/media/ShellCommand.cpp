#include "media/ShellCommand.h"

std::unique_ptr<QProcess> taskForShellCommand(const QString& command)
{
    auto task = std::make_unique<QProcess>();
    task->setProgram(QStringLiteral("/bin/sh"));
    task->setArguments({QStringLiteral("-c"), command});
    task->setStandardInputFile(QProcess::nullDevice());
    return task;
}

QString executeShellCommandSynchronously(const QString& command, int timeoutMs)
{
    std::unique_ptr<QProcess> task = taskForShellCommand(command);
    // An empty file name puts the pipe back in place of the null device.
    task->setStandardInputFile(QString());
    task->setProcessChannelMode(QProcess::MergedChannels);
    task->start(QIODevice::ReadWrite);
    if (!task->waitForStarted())
        return QString();
    task->closeWriteChannel();

    QByteArray output;
    if (!task->waitForFinished(timeoutMs)) {
        output += task->readAll();
        task->kill();
        task->waitForFinished();
    }
    output += task->readAll();
    return QString::fromUtf8(output);
}
