/* libzvaudio: plays live MP3 and AAC radio streams over HTTP(S) through SDL2.
 *
 * Texts go in and out as NUL-terminated byte strings; handles are 32-bit, 0 = failure. Handles
 * are never reused within a run, so a stale handle is always answered with failure values.
 *
 * Thread contract: every call may come from any thread; calls are serialised internally where
 * they touch shared state. ZVA_StreamCreateURL blocks until the stream's format is known (and
 * the pre-buffer is filled); ZVA_Free and ZVA_StreamFree block until the stream's threads have
 * ended, which takes well under a second even when a server has stopped answering.
 * Callbacks (download and sync) run on the stream's own download thread, one at a time, never
 * on the caller's thread and never after ZVA_StreamFree or ZVA_Free has returned. A callback
 * may call back into the library, including ZVA_StreamFree on its own stream or another one;
 * freed from a callback, the other stream starts no new callback, but one it is running may
 * still finish after ZVA_StreamFree has returned. The download callback sees only the answer
 * that plays (not a playlist entry that was refused). No exception leaves the library: a
 * failure inside it is reported as ZVA_ERROR_MEM or ZVA_ERROR_UNKNOWN.
 */
#ifndef ZVAUDIO_H
#define ZVAUDIO_H

#include <stdint.h>

#if defined(ZVAUDIO_BUILDING)
#define ZVA_API __attribute__((visibility("default")))
#else
#define ZVA_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t ZVA_HSTREAM;
typedef uint32_t ZVA_HSYNC;
typedef uint32_t ZVA_HPLUGIN;

/* Version 2.3 in the high word. */
#define ZVA_VERSION 0x02030000u

/* Error codes (ZVA_ErrorGetCode). */
#define ZVA_OK 0
#define ZVA_ERROR_MEM 1       /* out of memory */
#define ZVA_ERROR_FILEOPEN 2  /* the file or the address could not be opened */
#define ZVA_ERROR_DRIVER 3    /* no usable sound driver */
#define ZVA_ERROR_HANDLE 5    /* not a valid handle */
#define ZVA_ERROR_FORMAT 6    /* the output format is not supported */
#define ZVA_ERROR_INIT 8      /* ZVA_Init has not been called */
#define ZVA_ERROR_SSL 10      /* the TLS connection failed or its certificate was refused */
#define ZVA_ERROR_ALREADY 14  /* already initialised or already loaded */
#define ZVA_ERROR_ILLTYPE 19  /* an illegal type was given */
#define ZVA_ERROR_ILLPARAM 20 /* an illegal parameter was given */
#define ZVA_ERROR_DEVICE 23   /* an illegal device number or a device that cannot be opened */
#define ZVA_ERROR_NOPLAY 24   /* the channel is not playing */
#define ZVA_ERROR_NOTFILE 27  /* the stream is not a file (download) stream */
#define ZVA_ERROR_NONET 32    /* no network connection could be made */
#define ZVA_ERROR_NOTAVAIL 37 /* the requested data is not available */
#define ZVA_ERROR_TIMEOUT 40  /* the connection timed out */
#define ZVA_ERROR_FILEFORM 41 /* unsupported or unrecognised stream format, or a refused answer */
#define ZVA_ERROR_VERSION 43  /* the add-on is for another version of the library */
#define ZVA_ERROR_CODEC 44    /* the stream's format is known but no decoder for it is loaded */
#define ZVA_ERROR_UNKNOWN (-1)

/* ZVA_SetConfig options. */
#define ZVA_CONFIG_NET_TIMEOUT 11 /* connection timeout in ms (default 5000) */
#define ZVA_CONFIG_NET_BUFFER 12  /* download buffer length in ms of audio (default 5000) */
#define ZVA_CONFIG_NET_PREBUF 15  /* percent of the buffer filled before creation returns */
#define ZVA_CONFIG_NET_AGENT 16   /* address of a NUL-terminated User-Agent text, or 0 */
/* 1 = follow .pls/.m3u playlists; an HTTP Live Streaming playlist (an M3U with
 * #EXT-X-TARGETDURATION or #EXT-X-STREAM-INF) is a live stream and plays either way */
#define ZVA_CONFIG_NET_PLAYLIST 21
#define ZVA_CONFIG_NET_READTIMEOUT 37 /* ms without a received byte that closes (default 15000) */
/* ms the whole of ZVA_StreamCreateURL may take, playlists and pre-buffer included; 0 (the
 * default) = three connection timeouts, at most 30000 */
#define ZVA_CONFIG_NET_OPENTIMEOUT 38
#define ZVA_CONFIG_NET_PLAYLIST_ENTRIES 39 /* playlist entries tried per stream (default 16) */
/* ms a stream that has played goes on trying to connect again after its connection ended or
 * failed, playing on from its buffer meanwhile (default 30000); only then does
 * ZVA_FILEPOS_CONNECTED read 0 and the download proc get its end. 0 = a lost connection ends
 * the stream at once. Streams with a length (files) and final answers (401, 403, 407, a
 * playlist, a TLS failure) are not tried again. */
#define ZVA_CONFIG_NET_RECONNECT 40
/* address of a NUL-terminated proxy text, or 0 (the default: the http_proxy, https_proxy,
 * all_proxy and no_proxy variables). "" = no proxy, whatever the variables say; otherwise
 * "[user:password@]host:port", optionally after "http://", "https://", "socks4://",
 * "socks4a://", "socks5://" or "socks5h://"; another scheme is refused (ZVA_ERROR_ILLPARAM).
 * The text is copied; streams created afterwards use it. */
#define ZVA_CONFIG_NET_PROXY 17

/* Levelling: every channel measures the loudness of its decoded sound (EBU R128 / ITU-R
 * BS.1770: K-weighted, gated, over the last 5 minutes of sound) and applies the gain that brings
 * it to the target. The gain starts at the channel's starting loudness (ZVA_ATTRIB_LOUDNESS;
 * 0 dB when none is given), holds until 3 s of sound have passed the gate, then moves at most
 * 1 dB per second; it stays within −24..+9 dB, and a limiter with a few ms of look-ahead holds
 * sample peaks at −1 dBFS. Switched on or off while a channel plays, its gain ramps to the new
 * value over 1 s. The level meters read the sound after the levelling, before the volume. */
#define ZVA_CONFIG_LEVEL 41        /* 1 = level every channel (default 0) */
#define ZVA_CONFIG_LEVEL_TARGET 42 /* the target loudness in tenths of LUFS, as int (−160) */

/* ZVA_ChannelSetAttribute / ZVA_ChannelGetAttribute. */
/* get: the channel's gated loudness over its last 5 minutes of sound, in LUFS; before any sound
 * has passed the gate the starting loudness, and without one it fails with ZVA_ERROR_NOTAVAIL;
 * set: the starting loudness of a station heard before, so its gain is right from the first
 * sample */
#define ZVA_ATTRIB_LOUDNESS 1
#define ZVA_ATTRIB_LOUDNESS_SECONDS 2 /* get: seconds of sound measured so far */

/* ZVA_StreamCreateURL flags. */
/* An https address is never redirected to http. A stream whose icy-metaint is below 16 is
 * refused with ZVA_ERROR_NOTAVAIL. */
#define ZVA_STREAM_STATUS 0x800000u /* hand the response's header block to the download proc */

/* ZVA_StreamGetFilePosition modes. */
#define ZVA_FILEPOS_CURRENT 0   /* bytes consumed by the decoder */
#define ZVA_FILEPOS_DOWNLOAD 1  /* bytes received, metadata excluded */
#define ZVA_FILEPOS_END 2       /* size of the download buffer in bytes */
#define ZVA_FILEPOS_CONNECTED 4 /* 1 while the connection is open, else 0 */

/* ZVA_ChannelGetTags types. */
#define ZVA_TAG_HTTP 3 /* header block of an "HTTP" answer: texts, an empty text last */
#define ZVA_TAG_ICY 4  /* header block of an "ICY" answer: texts, an empty text last */
#define ZVA_TAG_META 5 /* the last metadata text as sent */

/* ZVA_ChannelSetSync types. */
#define ZVA_SYNC_META 4 /* a metadata block arrived; data = address of its text */

/* ZVA_ChannelInfo.ctype. */
#define ZVA_CTYPE_STREAM_MP3 65541u
#define ZVA_CTYPE_STREAM_AAC 68352u
/* Chained Ogg: the codec of the logical stream (chain) the download has reached. */
#define ZVA_CTYPE_STREAM_VORBIS 65538u
#define ZVA_CTYPE_STREAM_OPUS 70144u
#define ZVA_CTYPE_STREAM_FLAC_OGG 67841u

/* ZVA_ChannelIsActive results. */
#define ZVA_ACTIVE_STOPPED 0
#define ZVA_ACTIVE_PLAYING 1
#define ZVA_ACTIVE_STALLED 2 /* the buffer ran dry; plays again after a quarter has refilled */
#define ZVA_ACTIVE_PAUSED 3  /* output stopped by ZVA_Stop */

/* ZVA_ChannelGetLevel result for a channel that is not playing. */
#define ZVA_LEVEL_NONE 0xFFFFFFFFu

/* ZVA_StreamGetFilePosition result for a handle that is not a live stream. */
#define ZVA_POSITION_NONE (-1)

typedef struct ZVA_ChannelInfo {
    uint32_t freq;      /* sample rate of the decoded stream */
    uint32_t chans;     /* channels of the decoded stream */
    uint32_t flags;     /* creation flags */
    uint32_t ctype;     /* ZVA_CTYPE_STREAM_* */
    uint32_t origres;   /* always 0: decoders hand out floats */
    ZVA_HPLUGIN plugin; /* the add-on that decodes the stream, 0 = built in */
} ZVA_ChannelInfo;

/* buffer/length: a block of stream bytes; length 0 with a buffer: the header block (with
 * ZVA_STREAM_STATUS); buffer NULL: the download has ended. */
typedef void (*ZVA_DownloadProc)(const void* buffer, uint32_t length, void* user);
typedef void (*ZVA_SyncProc)(ZVA_HSYNC handle, ZVA_HSTREAM channel, uintptr_t data, void* user);

ZVA_API uint32_t ZVA_GetVersion(void);
ZVA_API int ZVA_ErrorGetCode(void);

/* Device 1, 2, ...: SDL's playback devices in order; NULL past the last. Works before Init.
 * Asking for device 1 reads the list afresh. The texts stay valid for the whole run. */
ZVA_API const char* ZVA_GetDeviceDescription(int device);
/* device −1 = system default, n ≥ 1 = the n-th device, 0 = "no sound" (real time, no output).
 * When the device in use goes away (unplugged), the sound goes on into the system default as
 * soon as the output notices (it looks five times a second), and back into device n once its
 * name is listed again; streams notice nothing. */
ZVA_API int ZVA_Init(int device, uint32_t freq, uint32_t flags, void* window, const void* clsid);
ZVA_API int ZVA_Free(void);
ZVA_API int ZVA_Stop(void);
ZVA_API int ZVA_SetConfig(uint32_t option, uintptr_t value);
ZVA_API uintptr_t ZVA_GetConfig(uint32_t option);

ZVA_API ZVA_HPLUGIN ZVA_PluginLoad(const char* file, uint32_t flags);
/* 0 unloads every add-on; streams that use one keep it until they are freed. */
ZVA_API int ZVA_PluginFree(ZVA_HPLUGIN plugin);

ZVA_API ZVA_HSTREAM ZVA_StreamCreateURL(const char* url, uint32_t offset, uint32_t flags,
                                        ZVA_DownloadProc proc, void* user);
ZVA_API int ZVA_StreamFree(ZVA_HSTREAM handle);
ZVA_API int64_t ZVA_StreamGetFilePosition(ZVA_HSTREAM handle, uint32_t mode);

/* The text stays valid on the calling thread until its next ZVA_ChannelGetTags call. */
ZVA_API const char* ZVA_ChannelGetTags(ZVA_HSTREAM handle, uint32_t tags);
ZVA_API int ZVA_ChannelGetInfo(ZVA_HSTREAM handle, ZVA_ChannelInfo* info);
ZVA_API ZVA_HSYNC ZVA_ChannelSetSync(ZVA_HSTREAM handle, uint32_t type, uint64_t param,
                                     ZVA_SyncProc proc, void* user);
/* freq −1 keeps the rate, volume 0..100 (−1 keeps it), pan −100..100 (−101 keeps it). */
ZVA_API int ZVA_ChannelSetAttributes(ZVA_HSTREAM handle, int freq, int volume, int pan);
/* The decoded rate, volume 0..100 and pan −100..100 as set; any pointer may be NULL. */
ZVA_API int ZVA_ChannelGetAttributes(ZVA_HSTREAM handle, int* freq, int* volume, int* pan);
ZVA_API int ZVA_ChannelSetAttribute(ZVA_HSTREAM handle, uint32_t attrib, float value);
ZVA_API int ZVA_ChannelGetAttribute(ZVA_HSTREAM handle, uint32_t attrib, float* value);
/* Fails with ZVA_ERROR_DEVICE when the output, at rest after five seconds of silence, cannot
 * take its device again. */
ZVA_API int ZVA_ChannelPlay(ZVA_HSTREAM handle, int restart);
ZVA_API int ZVA_ChannelStop(ZVA_HSTREAM handle);
ZVA_API uint32_t ZVA_ChannelIsActive(ZVA_HSTREAM handle);
/* Peak of the last 20 ms per channel, 0..32768: left in the low word, right in the high. */
ZVA_API uint32_t ZVA_ChannelGetLevel(ZVA_HSTREAM handle);

#ifdef __cplusplus
}
#endif

#endif
