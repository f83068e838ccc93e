#include "ShowRequests.h"

#include "InstanceChannel.h"
#include "WindowServices.h"
#include "frmForecast.h"

#include <QLoggingCategory>

// A later start finding the program running is an everyday event: told
// only when asked for (QT_LOGGING_RULES="ventaro.instance.info=true").
Q_LOGGING_CATEGORY(lcInstance, "ventaro.instance", QtWarningMsg)

namespace ShowRequests {

void serve(InstanceChannel& requests, frmForecast& window)
{
    QObject::connect(&requests, &InstanceChannel::showRequested, &window, [&window] {
        window.showMainWindow();
        if (!window.isVisible())
            return;
        WindowServices::bringToFront(&window);
        qCInfo(lcInstance, "window shown on request of another start");
    });
}

} // namespace ShowRequests
