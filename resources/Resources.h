#pragma once

#include <QColor>
#include <QIcon>

// Registers the compiled-in artwork. The linker drops the resource
// initialiser of a static library, so this must run before any picture is
// loaded; calling it again is harmless.
void initVentaroResources();

// The tray picture for ResourcePaths::trayBase[index], holding every size
// drawn for it. Each requested size is rendered from the drawing made for it
// (the 16 pixel one stays pixel-sharp), scaled only where none fits. An
// index out of range gives a null icon.
QIcon trayIcon(int index);

// The program's window and application icon, built the same way.
QIcon programIcon();

// A button picture from ResourcePaths, as rendered at build time at its
// drawing's own size and at twice it (for high-density screens), so that
// showing it costs no SVG work; a drawing without such renderings loads as
// a plain icon of the drawing.
QIcon buttonPicture(const QString& drawing);

// The same picture with its words (what the drawing paints in
// ResourcePaths::wordInk) in `ink` instead, edges and all; the rest of the
// picture keeps its colours. A drawing without renderings keeps its own.
QIcon buttonPicture(const QString& drawing, const QColor& ink);
