#pragma once
// What the preview pane shows for a found file. QtCore only; main thread in
// the window.

#include <QString>

// What the pane shows for a found file.
enum class PreviewKind { Movie, Thumbnail, Icon, Nothing };

namespace wizard {

// How a preview begins.
enum class PreviewStart {
    Nothing,  // no file: the pane is cleared
    Picture,  // straight to the thumbnail (or the type icon)
    AskMovie, // the movie framework is asked first; its answer decides
};

// `movieHalf`: the window has a movie player; `stillPicture`: the file is a
// picture the thumbnails decode (some movie frameworks would open it as a
// one-frame movie and hide the picture behind a player).
PreviewStart previewStart(const QString& path, bool movieHalf, bool stillPicture);

// The rule of the pane: a file that plays is a movie; otherwise its
// thumbnail when one could be made; otherwise its type icon; otherwise
// nothing.
PreviewKind choosePreview(bool playable, bool haveThumbnail, bool haveIcon);

} // namespace wizard
