/* Trackfold's MP3 tag library: a small C interface over TagLib. */
#ifndef TRACKFOLD_VBMP3_H
#define TRACKFOLD_VBMP3_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Filled by vbmp3_open. We read no audio properties, so it stays zero. */
typedef struct StreamInfoRecord {
    char text0[128];
    char text1[128];
    int32_t value0;
    int32_t value1;
    int32_t value2;
    int32_t value3;
} StreamInfoRecord;

/* Texts are UTF-8, NUL-padded; a text of exactly 128 bytes has no NUL. */
typedef struct TagInfoRecord {
    char title[128];
    char artist[128];
    char album[128];
    char year[5];
    char comment[128];
    char reserved[3];
    int32_t track;
    char genre[128];
} TagInfoRecord;

/* Boolean results: 0 is false, anything else true. The open file and the code page belong to
   the calling thread: each thread may read its own file at the same time. */
int vbmp3_open(const char* file_name, StreamInfoRecord* info);
/* As vbmp3_open, of a regular file of `size` bytes the caller has open for reading as `fd`. The
   descriptor stays the caller's: vbmp3_free does not close it. */
int vbmp3_openDescriptor(int fd, long long size, StreamInfoRecord* info);
int vbmp3_getTagInfo(TagInfoRecord* info);
int vbmp3_stop(void);
int vbmp3_stopCallback(void);
int vbmp3_free(void);

/* The open file's album artist (ID3v2 TPE2, else the APE item "Album Artist"), UTF-8 and
   NUL-terminated in `size` bytes, cut at a character boundary; "" when it has none. 0 when no
   file is open or `text` is NULL. */
int vbmp3_getAlbumArtist(char* text, int size);

/* The fields of vbmp3_getTagText. The disc is the text as tagged ("2" or "2/3": ID3v2 TPOS,
   else the APE item "Disc"). */
enum { VBMP3_ARTIST = 1, VBMP3_ALBUM = 2, VBMP3_ALBUM_ARTIST = 3, VBMP3_TITLE = 4, VBMP3_DISC = 5 };

/* The open file's artist, album, album artist, title or disc, chosen from its tags as
   vbmp3_getTagInfo and vbmp3_getAlbumArtist choose them, but whole: the records cut a text at their
   size. UTF-8 and NUL-terminated in `size` bytes, cut at a character boundary. Returns the whole
   text's length in bytes without the NUL, so that a caller can ask again with room for all of it;
   -1 when no file is open, the field is unknown, or `text` is NULL and `size` is not 0. */
int vbmp3_getTagText(int field, char* text, int size);

/* The code page of 8-bit tag texts (ID3v1, ISO-8859-1 ID3v2 frames) when they are neither ASCII
   nor UTF-8: an iconv name such as "CP932", "GBK", "BIG5", "CP949", "CP1251", any case. Empty
   or NULL: the one the locale's language suggests. An unknown name gives 0 and that default. */
int vbmp3_setCodePage(const char* name);

#ifdef __cplusplus
}
#endif

#endif
