#pragma once

#include "Conditions.h"
#include "StateForecast.h"
#include "WeatherAlert.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <utility>

// What one of a source's requests came to. Either nothing could be had
// (`failure` says why: a transfer that failed, an answer in place of the
// product), or the service's answer has arrived and `read` turns it into
// what the window shows. Reading is left to the asker, which decides where
// and when it runs: the status line announces it first, and the answer is
// read on a worker thread.
template <typename Reading> struct WeatherAnswer
{
    using Read = std::function<Reading(const std::atomic<bool>* cancelled)>;

    static WeatherAnswer failed(QString why)
    {
        WeatherAnswer answer;
        answer.failure = std::move(why);
        return answer;
    }
    // Nothing was asked: the service asked for a pause, and this request
    // can wait (a timed refresh). What is on show stays.
    static WeatherAnswer held(QString why, QDateTime until)
    {
        WeatherAnswer answer;
        answer.failure = std::move(why);
        answer.heldUntil = std::move(until);
        return answer;
    }
    static WeatherAnswer arrived(Read read)
    {
        WeatherAnswer answer;
        answer.read = std::move(read);
        return answer;
    }

    bool isHeld() const { return heldUntil.isValid(); }
    bool hasArrived() const { return bool(read); }

    QString failure;
    QDateTime heldUntil;
    // Where the source found the station to be on the way, whatever came of
    // the rest (see WeatherRequest::areas); empty when it did not.
    QStringList areas;
    // Pure work on the values it holds, safe on any thread; once
    // `*cancelled` is true it may give up early with a useless reading.
    Read read;
};

// The alerts in effect for the station's area, as the service listed them;
// or why the answer could not be read.
struct AlertsReading
{
    bool received = false;
    QList<WeatherAlert> alerts;
    QString problem;
};

using ConditionsAnswer = WeatherAnswer<ConditionsReading>;
using ForecastAnswer = WeatherAnswer<ForecastReading>;
using AlertsAnswer = WeatherAnswer<AlertsReading>;

// One request of a source under way. It ends exactly once: the receiver
// is called from the event loop, never from inside the call that made the
// request, and the reply deletes itself afterwards. abort() ends it at
// once; an aborted reply calls nothing more, and the work behind it is
// told so it can drop its own requests.
template <typename Answer> class WeatherReply final : public QObject
{
public:
    explicit WeatherReply(QObject* parent = nullptr) : QObject(parent) {}

    // Who hears the answer; called on `context`'s thread unless `context`
    // is gone by then.
    void whenAnswered(QObject* context, std::function<void(const Answer&)> receiver)
    {
        m_context = context;
        m_receiver = std::move(receiver);
    }

    // For the work behind the reply: called once if the asker drops it.
    void whenAborted(std::function<void()> dropWork) { m_dropWork = std::move(dropWork); }

    // Ends the request with `answer`, from the event loop; later calls do
    // nothing.
    void answer(Answer answer)
    {
        if (m_answered)
            return;
        m_answered = true;
        QTimer::singleShot(0, this, [this, answer = std::move(answer)] {
            if (!m_aborted && m_context && m_receiver)
                m_receiver(answer);
            deleteLater();
        });
    }

    // The same, at once: for a caller that is itself run by the event loop
    // (the end of a transfer), where one more turn would only add to the
    // wait.
    void answerNow(const Answer& answer)
    {
        if (m_answered)
            return;
        m_answered = true;
        if (!m_aborted && m_context && m_receiver)
            m_receiver(answer);
        deleteLater();
    }

    void abort()
    {
        if (m_aborted)
            return;
        m_aborted = true;
        const bool running = !m_answered;
        m_answered = true;
        if (running && m_dropWork)
            std::exchange(m_dropWork, {})();
        deleteLater();
    }

private:
    bool m_answered = false;
    bool m_aborted = false;
    QPointer<QObject> m_context;
    std::function<void(const Answer&)> m_receiver;
    std::function<void()> m_dropWork;
};

using ConditionsReply = WeatherReply<ConditionsAnswer>;
using ForecastReply = WeatherReply<ForecastAnswer>;
using AlertsReply = WeatherReply<AlertsAnswer>;

// A reply that stands for one transfer of the program's network (any
// reply type with a finished(result) signal and abort()): the transfer's
// result becomes the answer through `convert`, and dropping the reply
// drops the transfer.
template <typename Answer, typename Fetch, typename Convert>
WeatherReply<Answer>* relay(Fetch* fetch, Convert convert, QObject* parent = nullptr)
{
    auto* reply = new WeatherReply<Answer>(parent);
    reply->whenAborted([fetch = QPointer<Fetch>(fetch)] {
        if (fetch)
            fetch->abort();
    });
    QObject::connect(
        fetch, &Fetch::finished, reply,
        [reply, convert = std::move(convert)](const auto& result) { reply->answerNow(convert(result)); });
    return reply;
}
