#pragma once

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dovi_meta.h>
}

// How a video encodes light beyond ordinary (SDR) video.
enum class DynamicRange
{
    Standard,
    Hlg, // hybrid log-gamma, ARIB STD-B67
    Pq, // perceptual quantiser, SMPTE ST 2084
};

inline DynamicRange RangeOfTransfer(AVColorTransferCharacteristic transfer)
{
    switch (transfer) {
    case AVCOL_TRC_ARIB_STD_B67:
        return DynamicRange::Hlg;
    case AVCOL_TRC_SMPTE2084:
        return DynamicRange::Pq;
    default:
        return DynamicRange::Standard;
    }
}

// What a Dolby Vision stream's base layer is, for players without Dolby Vision: its
// compatibility id names an HDR10 (PQ) or HLG base layer; other layers (profile 5's IPT) cannot
// be shown without the enhancement data and are left as they are.
inline DynamicRange RangeOfDolbyVisionBase(const AVStream* stream)
{
    size_t size = 0;
    const uint8_t* data = av_stream_get_side_data(stream, AV_PKT_DATA_DOVI_CONF, &size);
    if (!data || size < sizeof(AVDOVIDecoderConfigurationRecord))
        return DynamicRange::Standard;
    const auto* record = reinterpret_cast<const AVDOVIDecoderConfigurationRecord*>(data);
    if (!record->bl_present_flag)
        return DynamicRange::Standard;
    switch (record->dv_bl_signal_compatibility_id) {
    case 1: // HDR10
    case 6: // Ultra HD Blu-ray HDR10
        return DynamicRange::Pq;
    case 4: // HLG
        return DynamicRange::Hlg;
    default:
        return DynamicRange::Standard;
    }
}

// The stream's range as its headers tag it; an untagged Dolby Vision stream by its base layer.
inline DynamicRange StreamDynamicRange(const AVStream* stream)
{
    DynamicRange tagged = RangeOfTransfer(stream->codecpar->color_trc);
    if (tagged != DynamicRange::Standard || stream->codecpar->color_trc != AVCOL_TRC_UNSPECIFIED)
        return tagged;
    return RangeOfDolbyVisionBase(stream);
}
