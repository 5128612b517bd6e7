#pragma once

#include <QtGlobal>

// The images are compiled into the static window library; nothing else references their
// object file, so the linker would drop it unless the resources are registered explicitly.
// Registering twice is harmless.
inline void initUiResources()
{
    Q_INIT_RESOURCE(pelvane);
}
