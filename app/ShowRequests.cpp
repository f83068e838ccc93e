#include "ShowRequests.h"

#include "frmForecast.h"
#include "shell/InstanceChannel.h"
#include "shell/WindowServices.h"

namespace ShowRequests {

void serve(InstanceChannel& requests, frmForecast& window)
{
    QObject::connect(&requests, &InstanceChannel::showRequested, &window,
                     [&window](const QByteArray& activationToken) {
                         if (window.ending())
                             return;
                         // Shown here rather than through showMainWindow(): on X11 the
                         // start's token must reach the window system before the
                         // window is mapped.
                         WindowServices::bringToFront(&window, activationToken);
                         if (activationToken.isEmpty())
                             qCInfo(lcInstance, "window shown on request of another start");
                         else
                             qCInfo(lcInstance, "window shown on request of another start, with its token %s",
                                    activationToken.constData());
                     });
}

} // namespace ShowRequests
