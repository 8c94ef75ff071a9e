// The twelve 16 x 16 pictures of the structure tree (ImgTV), drawn in code
// so the program carries no image files.
#pragma once

#include <QIcon>

#include "app/structure_tree_model.h"

// The picture at `image`'s position; the same icon object for every call.
const QIcon& structTreeIcon(StructImage image);
