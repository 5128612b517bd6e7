#include "pelvane.h"

#include "exporter.h"
#include "savepicture.h"

void Pelvane::save()
{
    savePicture dialog(this);
    dialog.exec();
}

Exporter::Result Pelvane::exportPictures(
    int picturesX, int picturesY, bool leftToRight, int border, int color, QString fileName)
{
    Exporter::Request request;
    request.picturesX = picturesX;
    request.picturesY = picturesY;
    request.leftToRight = leftToRight;
    request.border = border;
    request.color = color;
    return Exporter::exportPictures(m_state, request, fileName);
}
