// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// Where a family's regular face is stored: a font file and the face's index within it.
struct FaceLocation
{
    QByteArray file;
    int index = 0;
};

using FaceLocations = QHash<QString, FaceLocation>;
