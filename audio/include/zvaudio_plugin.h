/* The decoder plug-in interface of libzvaudio.
 *
 * A plug-in is a shared object that exports one C function, ZVA_PluginEntry, returning a pointer
 * to a static, immutable ZVA_PluginInfo. ZVA_PluginLoad checks `magic` and `version` and refuses
 * a mismatch with an error code; it never calls anything else in a refused plug-in.
 *
 * Thread contract: `probe` may be called from any thread at any time. A decoder object is used
 * by one thread at a time (the stream's decoder thread): `open`, every `feed` and `close` of one
 * object are never concurrent. Nothing here blocks on I/O; `feed` only decodes.
 */
#ifndef ZVAUDIO_PLUGIN_H
#define ZVAUDIO_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZVA_PLUGIN_MAGIC 0x5A565050u /* "ZVPP" */
#define ZVA_PLUGIN_VERSION 1u

/* Receives decoded audio: `frames` frames of `channels` interleaved float samples in -1..1 at
 * `rate` Hz. The samples are valid only during the call. */
typedef void (*ZVA_PcmSink)(void* user, const float* samples, size_t frames, int rate,
                            int channels);

/* Result of ZVA_PluginInfo.feed. */
enum {
    ZVA_FEED_OK = 0,    /* everything given was taken; damaged frames were skipped */
    ZVA_FEED_FATAL = -1 /* the decoder gave up (a long run of undecodable data) */
};

typedef struct ZVA_Decoder ZVA_Decoder; /* a plug-in's per-stream state, opaque to the library */

typedef struct ZVA_PluginInfo {
    uint32_t magic;   /* ZVA_PLUGIN_MAGIC */
    uint32_t version; /* ZVA_PLUGIN_VERSION */
    const char* name; /* for diagnostics, e.g. "AAC (ADTS)" */
    uint32_t ctype;   /* the channel type ZVA_ChannelGetInfo reports, e.g. 68352 for AAC */

    /* Nonzero when this decoder takes the stream: `contentType` is the response's Content-Type
     * (may be NULL or empty) and `data` the first bytes of the body (at most a few KiB). */
    int (*probe)(const char* contentType, const unsigned char* data, size_t size);

    /* A new decoder for one stream; NULL when out of memory. */
    ZVA_Decoder* (*open)(void);

    /* Decodes the next bytes of the stream, in stream order. The decoder keeps an incomplete
     * frame at the end for the next call, finds the frame sync itself (also after garbage) and
     * skips damaged frames. Every decoded frame goes to `sink` before feed returns. */
    int (*feed)(ZVA_Decoder* decoder, const unsigned char* data, size_t size, ZVA_PcmSink sink,
                void* user);

    void (*close)(ZVA_Decoder* decoder);
} ZVA_PluginInfo;

/* The one entry point every plug-in exports. */
typedef const ZVA_PluginInfo* (*ZVA_PluginEntryFn)(void);
#define ZVA_PLUGIN_ENTRY_NAME "ZVA_PluginEntry"

#ifdef __cplusplus
}
#endif

#endif
