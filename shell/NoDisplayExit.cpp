#include "NoDisplayExit.h"

#include <QList>
#include <QMutex>
#include <QString>
#include <cstdio>
#include <cstdlib>

namespace {

struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QByteArray file;
    QByteArray function;
    int line;
    QString text;
};

// A message handler is a plain function; what it needs lives here.
struct State
{
    QMutex mutex;
    QtMessageHandler previous = nullptr;
    QByteArray program;
    bool platformChosen = false;
    QList<HeldMessage> held;
};

State& state()
{
    static State instance;
    return instance;
}

QString firstLine(const QString& text)
{
    return text.section(QLatin1Char('\n'), 0, 0).trimmed();
}

// Qt says first what went wrong ("could not connect to display :987")
// and then, in the fatal message, that it cannot go on; the first says
// more. Without any display set, that is the plainest reason.
QString reason(const State& s, const QString& fatal)
{
    if (!s.platformChosen && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return QStringLiteral("no display (DISPLAY is not set)");
    for (const HeldMessage& message : s.held) {
        if (message.category.startsWith("qt.qpa") && !firstLine(message.text).isEmpty())
            return firstLine(message.text);
    }
    return firstLine(fatal);
}

void holdBack(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    State& s = state();
    QMutexLocker lock(&s.mutex);
    if (type == QtFatalMsg) {
        const QByteArray line = s.program + ": cannot open a window: " + reason(s, text).toLocal8Bit() + '\n';
        std::fputs(line.constData(), stderr);
        std::fflush(stderr);
        std::_Exit(NoDisplayExit::exitStatus);
    }
    s.held.append({type, QByteArray(context.category), QByteArray(context.file), QByteArray(context.function),
                   context.line, text});
}

} // namespace

namespace NoDisplayExit {

void arm(const QByteArray& program, bool platformChosen)
{
    State& s = state();
    {
        QMutexLocker lock(&s.mutex);
        s.program = program;
        s.platformChosen = platformChosen;
        s.held.clear();
    }
    s.previous = qInstallMessageHandler(holdBack);
}

void disarm()
{
    State& s = state();
    qInstallMessageHandler(s.previous);
    QList<HeldMessage> held;
    {
        QMutexLocker lock(&s.mutex);
        held.swap(s.held);
    }
    for (const HeldMessage& message : std::as_const(held)) {
        const QMessageLogContext context(message.file.isNull() ? nullptr : message.file.constData(),
                                         message.line,
                                         message.function.isNull() ? nullptr : message.function.constData(),
                                         message.category.isNull() ? nullptr : message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
}

} // namespace NoDisplayExit
