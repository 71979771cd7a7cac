#pragma once
// How much memory the decode cache may hold, from the screen it fills.
#include <QSize>

namespace soru {

// Eight pictures of the screen's device size (the shown picture, both
// neighbours, a page of thumbnails and room for going back and forth), at
// least the classic 64 MiB, and no more than an eighth of the machine's
// memory unless that would not hold four screens, the least the viewer needs
// to show a picture with both neighbours ready and a thumbnail page.
// physicalBytes <= 0: unknown, no ceiling.
qint64 decodeCacheBytes(QSize deviceScreen, qint64 physicalBytes);

} // namespace soru
