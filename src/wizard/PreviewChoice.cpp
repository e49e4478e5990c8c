#include "wizard/PreviewChoice.h"

namespace wizard {

PreviewStart previewStart(const QString& path, bool movieHalf, bool stillPicture)
{
    if (path.isEmpty())
        return PreviewStart::Nothing;
    if (!movieHalf || stillPicture)
        return PreviewStart::Picture;
    return PreviewStart::AskMovie;
}

PreviewKind choosePreview(bool playable, bool haveThumbnail, bool haveIcon)
{
    if (playable)
        return PreviewKind::Movie;
    if (haveThumbnail)
        return PreviewKind::Thumbnail;
    if (haveIcon)
        return PreviewKind::Icon;
    return PreviewKind::Nothing;
}

} // namespace wizard
