#include "listening/tags.h"

#include <QFile>
#include <QFileInfo>

#include <mpg123.h>

#include <memory>
#include <mutex>

namespace tags {

namespace {

struct HandleDeleter {
    void operator()(mpg123_handle *h) const { mpg123_delete(h); }
};

QString fromV2(const mpg123_string *text)
{
    if (!text || !text->p || text->fill == 0)
        return {};
    return QString::fromUtf8(text->p, qsizetype(text->fill) - 1).trimmed();
}

QString fromV1(const char *field, int size)
{
    // Latin-1, padded with zeros or spaces.
    qsizetype n = 0;
    while (n < size && field[n])
        ++n;
    return QString::fromLatin1(field, n).trimmed();
}

} // namespace

Tags read(const QString &path)
{
    Tags tags;
    // A pipe or a device is never opened: reading it could block.
    if (!QFileInfo(path).isFile())
        return tags;
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
    int err = MPG123_OK;
    std::unique_ptr<mpg123_handle, HandleDeleter> handle(mpg123_new(nullptr, &err));
    if (!handle)
        return tags;
    mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    if (mpg123_open(handle.get(), QFile::encodeName(path).constData()) != MPG123_OK)
        return tags;
    // The tags are read with the first frame (ID3v2) and at the end (ID3v1).
    off_t frameNumber = 0;
    unsigned char *audio = nullptr;
    size_t bytes = 0;
    mpg123_decode_frame(handle.get(), &frameNumber, &audio, &bytes);
    mpg123_id3v1 *v1 = nullptr;
    mpg123_id3v2 *v2 = nullptr;
    if (mpg123_id3(handle.get(), &v1, &v2) == MPG123_OK) {
        if (v2) {
            tags.title = fromV2(v2->title);
            tags.artist = fromV2(v2->artist);
            tags.album = fromV2(v2->album);
        }
        if (v1) {
            if (tags.title.isEmpty())
                tags.title = fromV1(v1->title, sizeof v1->title);
            if (tags.artist.isEmpty())
                tags.artist = fromV1(v1->artist, sizeof v1->artist);
            if (tags.album.isEmpty())
                tags.album = fromV1(v1->album, sizeof v1->album);
        }
    }
    mpg123_close(handle.get());
    return tags;
}

} // namespace tags
