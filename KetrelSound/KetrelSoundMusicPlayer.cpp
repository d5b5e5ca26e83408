#include "KetrelSound/KetrelSoundMusicPlayer.h"
#include "engine/KetrelApplication.h"
#include "engine/KetrelMath.h"
#include "engine/KetrelResult.h"
#include <atomic>
#include <cstdio>
#include <cstring>
#include <gst/gst.h>
#include <initializer_list>
#include <new>
#include <unistd.h>

namespace
{
std::atomic<int> g_gstReady(0);

bool EnsureGStreamer()
{
    if (g_gstReady.load())
        return true;
    if (gst_init_check(nullptr, nullptr, nullptr))
        g_gstReady.store(1);
    return g_gstReady.load() != 0;
}

// A sink that reaches READY can open its device or server.
GstElement* MakeStartedSink(const char* factory)
{
    GstElement* sink = gst_element_factory_make(factory, nullptr);
    if (!sink)
        return nullptr;
    gst_object_ref_sink(sink);
    if (gst_element_set_state(sink, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE)
    {
        gst_element_set_state(sink, GST_STATE_NULL);
        gst_object_unref(sink);
        return nullptr;
    }
    gst_element_set_state(sink, GST_STATE_NULL);
    return sink;
}

inline i32 Clamp100(i32 v) { return v < 0 ? 0 : (v > 100 ? 100 : v); }
} // namespace

CKetrelSoundMusicPlayer::CKetrelSoundMusicPlayer()
    : m_pipeline(nullptr), m_volumeElement(nullptr), m_owner(nullptr), m_state(KE_MUSIC_CLOSED),
      m_volume(100), m_openVolume(100), m_muted(0), m_rememberedVolume(100), m_fadeTarget(100),
      m_fadeLevel(100.0f), m_fadeRate(0.0f), m_endOfStream(0), m_repeat(0)
{
    m_sinkOverride[0] = 0;
    EnsureGStreamer();
}

CKetrelSoundMusicPlayer::~CKetrelSoundMusicPlayer()
{
    Stop();
}

CKetrelSoundMusicPlayer* CKetrelSoundMusicPlayer::Create()
{
    return new (std::nothrow) CKetrelSoundMusicPlayer();
}

void CKetrelSoundMusicPlayer::SetSinkOverride(const char* factory)
{
    m_sinkOverride[0] = 0;
    if (factory)
    {
        std::strncpy(m_sinkOverride, factory, sizeof(m_sinkOverride) - 1);
        m_sinkOverride[sizeof(m_sinkOverride) - 1] = 0;
    }
}

i32 CKetrelSoundMusicPlayer::Open(IKetrelApplication* owner, const CKetrelString& path)
{
    // An open player first closes its old pipeline and registration.
    Stop();
    m_endOfStream = 0;
    m_repeat = 0;

    const int bytes = path.ToUTF8(nullptr);
    char* location = new (std::nothrow) char[bytes > 0 ? bytes : 1];
    if (!location)
        return KE_ERR_MEMORY;
    path.ToUTF8(location);
    if (path.GetLength() == 0 || access(location, R_OK) != 0)
    {
        delete[] location;
        return KE_ERR_OPEN;
    }
    if (!EnsureGStreamer())
    {
        delete[] location;
        return KE_ERR_FORMAT;
    }

    m_pipeline = gst_pipeline_new(nullptr);
    if (m_pipeline)
        gst_object_ref_sink(m_pipeline);
    GstElement* source = gst_element_factory_make("filesrc", "file-source");
    GstElement* parser = gst_element_factory_make("mpegaudioparse", nullptr);
    GstElement* decoder = nullptr;
    for (const char* name : {"nokiamp3dec", "mad", "mpg123audiodec"})
        if (!decoder)
            decoder = gst_element_factory_make(name, nullptr);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    GstElement* volume = gst_element_factory_make("volume", nullptr);
    GstElement* elements[] = {source, parser, decoder, convert, resample, volume};

    i32 rc = KE_OK;
    for (GstElement* e : elements)
        if (!e)
            rc = KE_ERR_FORMAT;
    if (!m_pipeline)
        rc = KE_ERR_FORMAT;

    GstElement* sink = nullptr;
    if (rc == KE_OK)
    {
        if (m_sinkOverride[0])
            sink = MakeStartedSink(m_sinkOverride);
        else if (!(sink = MakeStartedSink("pulsesink")))
            sink = MakeStartedSink("autoaudiosink");
        if (!sink)
            rc = KE_ERR_DEVICE;
    }
    if (rc == KE_OK)
    {
        g_object_set(source, "location", location, nullptr);
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "sync"))
            g_object_set(sink, "sync", TRUE, nullptr);
        for (GstElement* e : elements)
            gst_bin_add(GST_BIN(m_pipeline), e);
        gst_bin_add(GST_BIN(m_pipeline), sink);
        if (!gst_element_link_many(source, parser, decoder, convert, resample, volume, sink, nullptr))
            rc = KE_ERR_FORMAT;
        m_volumeElement = volume;
    }
    else
    {
        for (GstElement* e : elements)
            if (e)
                gst_object_unref(gst_object_ref_sink(e));
    }
    if (sink)
        gst_object_unref(sink);   // the pipeline holds it now, or nobody does
    delete[] location;

    if (rc != KE_OK)
    {
        if (m_pipeline)
            gst_object_unref(m_pipeline);
        m_pipeline = nullptr;
        m_volumeElement = nullptr;
        return rc;
    }

    m_owner = owner;
    if (m_owner)
        m_owner->AddRunnable(this);
    m_openVolume = GetVolume();   // 100: nothing is open yet
    m_state = KE_MUSIC_STOPPED;
    ApplyVolume(m_muted ? 0 : m_volume);
    return KE_OK;
}

i32 CKetrelSoundMusicPlayer::SetPipelineState(int state)
{
    if (!m_pipeline)
        return KE_ERR_NOT_READY;
    return gst_element_set_state(m_pipeline, (GstState)state) == GST_STATE_CHANGE_FAILURE
               ? KE_ERR_DEVICE : KE_OK;
}

i32 CKetrelSoundMusicPlayer::Play(u32 repeat)
{
    if (m_state == KE_MUSIC_CLOSED)
        return KE_ERR_NOT_READY;
    if (m_state == KE_MUSIC_PLAYING)
        return KE_OK;
    m_endOfStream = 0;
    if (m_owner)
        m_repeat = repeat;
    if (SetPipelineState(GST_STATE_PLAYING) != KE_OK)
    {
        SetPipelineState(GST_STATE_NULL);
        m_state = KE_MUSIC_STOPPED;
        return KE_ERR_DEVICE;
    }
    m_state = KE_MUSIC_PLAYING;
    return KE_OK;
}

i32 CKetrelSoundMusicPlayer::Pause()
{
    if (m_state == KE_MUSIC_CLOSED)
        return KE_ERR_NOT_READY;
    if (m_state == KE_MUSIC_PLAYING)
    {
        SetPipelineState(GST_STATE_PAUSED);
        m_state = KE_MUSIC_PAUSED;
    }
    return KE_OK;
}

i32 CKetrelSoundMusicPlayer::StopPlayback()
{
    if (m_state == KE_MUSIC_CLOSED)
        return KE_ERR_NOT_READY;
    if (m_fadeRate != 0.0f)
        EndFade();
    if (m_state != KE_MUSIC_STOPPED)
    {
        m_endOfStream = 0;
        SetPipelineState(GST_STATE_NULL);
        m_state = KE_MUSIC_STOPPED;
    }
    return KE_OK;
}

void CKetrelSoundMusicPlayer::Stop()
{
    if (m_owner)
        m_owner->RemoveRunnable(this);
    m_owner = nullptr;
    if (m_pipeline && m_state != KE_MUSIC_CLOSED)
    {
        if (m_fadeRate != 0.0f)
            EndFade();
        if (m_state != KE_MUSIC_STOPPED)
        {
            SetPipelineState(GST_STATE_NULL);
            m_state = KE_MUSIC_STOPPED;
        }
        SetVolume(m_openVolume);
    }
    Close();
}

void CKetrelSoundMusicPlayer::Close()
{
    if (m_pipeline)
    {
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_object_unref(m_pipeline);
    }
    m_pipeline = nullptr;
    m_volumeElement = nullptr;
    m_state = KE_MUSIC_CLOSED;
    m_endOfStream = 0;
    m_repeat = 0;
    m_fadeTarget = 100;
    m_fadeLevel = 100.0f;
    m_fadeRate = 0.0f;
}

void CKetrelSoundMusicPlayer::Seek(f32 seconds)
{
    if (m_state == KE_MUSIC_CLOSED || !m_pipeline)
        return;
    m_endOfStream = 0;
    if (!(seconds > 0.0f))
        seconds = 0.0f;
    gst_element_seek_simple(m_pipeline, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH,
                            (gint64)KetrelTruncToInt64((f64)seconds * 1000000000.0));
}

f32 CKetrelSoundMusicPlayer::GetPosition()
{
    gint64 ns = 0;
    if (m_state == KE_MUSIC_CLOSED || !m_pipeline ||
        !gst_element_query_position(m_pipeline, GST_FORMAT_TIME, &ns) || ns < 0)
        return 0.0f;
    return (f32)((f64)(ns / 1000000) / 1000.0);
}

f32 CKetrelSoundMusicPlayer::GetDuration()
{
    gint64 ns = 0;
    if (m_state == KE_MUSIC_CLOSED || !m_pipeline ||
        !gst_element_query_duration(m_pipeline, GST_FORMAT_TIME, &ns) || ns < 0)
        return 0.0f;
    return (f32)((f64)(ns / 1000000) / 1000.0);
}

void CKetrelSoundMusicPlayer::ApplyVolume(i32 volume)
{
    if (m_volumeElement)
        g_object_set(m_volumeElement, "volume", (gdouble)Clamp100(volume) / 100.0, nullptr);
}

f64 CKetrelSoundMusicPlayer::GetOutputVolume() const
{
    if (!m_volumeElement)
        return -1.0;
    gdouble v = 0.0;
    g_object_get(m_volumeElement, "volume", &v, nullptr);
    return v;
}

// The volume the fade or the repeat step sets: only remembered while muted.
void CKetrelSoundMusicPlayer::SetCurrentVolume(i32 volume)
{
    volume = Clamp100(volume);
    if (m_muted)
        m_rememberedVolume = volume;
    else
    {
        m_volume = volume;
        ApplyVolume(volume);
    }
}

void CKetrelSoundMusicPlayer::SetVolume(i32 volume)
{
    if (m_state == KE_MUSIC_CLOSED)
        return;
    m_volume = Clamp100(volume);
    if (m_muted)
        m_rememberedVolume = m_volume;
    else
        ApplyVolume(m_volume);
}

i32 CKetrelSoundMusicPlayer::GetVolume() const
{
    if (m_state == KE_MUSIC_CLOSED)
        return 100;
    if (m_fadeRate != 0.0f)
        return m_fadeTarget;
    return m_muted ? m_rememberedVolume : m_volume;
}

void CKetrelSoundMusicPlayer::SetMuted(u32 muted)
{
    muted = muted ? 1 : 0;
    if (muted == m_muted || m_state == KE_MUSIC_CLOSED)
        return;
    m_muted = muted;
    if (muted)
    {
        m_rememberedVolume = m_fadeRate != 0.0f ? m_fadeTarget : m_volume;
        m_volume = 0;
        ApplyVolume(0);
    }
    else
    {
        m_volume = Clamp100(m_rememberedVolume);
        ApplyVolume(m_volume);
    }
}

i32 CKetrelSoundMusicPlayer::FadeIn(f32 seconds)
{
    if (!(seconds > 0.0f))
        return KE_ERR_ARGUMENT;
    if (!m_owner || m_fadeRate != 0.0f)
        return KE_ERR_NOT_READY;
    m_fadeTarget = m_state == KE_MUSIC_CLOSED ? 100 : (m_muted ? m_rememberedVolume : m_volume);
    m_fadeLevel = 0.0f;
    m_volume = 0;
    if (m_muted)
        m_rememberedVolume = 0;
    else
        ApplyVolume(0);
    // The rate that reaches the target in the given time.
    m_fadeRate = (f32)m_fadeTarget / seconds;
    return KE_OK;
}

void CKetrelSoundMusicPlayer::EndFade()
{
    m_fadeRate = 0.0f;
    m_fadeLevel = 100.0f;
    SetCurrentVolume(m_fadeTarget);
}

u32 CKetrelSoundMusicPlayer::PollEndOfStream()
{
    if (m_endOfStream)
        return 1;
    // The end of the stream seen now counts from the next poll on. Every message is
    // taken, not only the end: an error must not be dropped on the way.
    if (m_state == KE_MUSIC_PLAYING)
        DrainBus();
    return 0;
}

// Takes every pending message: an error stops the player, the end of the stream is
// remembered (and stops a track that does not repeat); the rest is dropped.
void CKetrelSoundMusicPlayer::DrainBus()
{
    if (!m_pipeline)
        return;
    GstBus* bus = gst_element_get_bus(m_pipeline);
    if (!bus)
        return;
    GstMessage* msg;
    while (m_pipeline && (msg = gst_bus_pop(bus)) != nullptr)
    {
        switch (GST_MESSAGE_TYPE(msg))
        {
        case GST_MESSAGE_ERROR:
        {
            GError* error = nullptr;
            gst_message_parse_error(msg, &error, nullptr);
            std::fprintf(stderr, "ERROR: %d %s\n", KE_ERR_DEVICE,
                         error && error->message ? error->message : "");
            if (error)
                g_error_free(error);
            if (m_state != KE_MUSIC_CLOSED)
            {
                SetPipelineState(GST_STATE_NULL);
                m_state = KE_MUSIC_STOPPED;
                m_endOfStream = 0;
            }
            break;
        }
        case GST_MESSAGE_EOS:
            if (m_state == KE_MUSIC_PLAYING)
            {
                m_endOfStream = 1;
                if (!m_repeat)
                {
                    SetPipelineState(GST_STATE_NULL);
                    m_state = KE_MUSIC_STOPPED;
                }
            }
            break;
        default:
            break;
        }
        gst_message_unref(msg);
    }
    gst_object_unref(bus);
}

void CKetrelSoundMusicPlayer::Run(f32 seconds)
{
    // 1. Fade.
    if (m_fadeRate != 0.0f)
    {
        m_fadeLevel += m_fadeRate * seconds;
        if (m_fadeLevel <= (f32)m_fadeTarget)
        {
            if (m_state != KE_MUSIC_CLOSED)
                SetCurrentVolume(KetrelClampToInt(m_fadeLevel, 0, 100));
        }
        else
            EndFade();
    }

    // 2. A repeating track whose end was seen on an earlier frame starts again.
    if (m_repeat && m_state != KE_MUSIC_CLOSED && PollEndOfStream() == 1)
    {
        if (m_fadeRate != 0.0f)
            EndFade();
        if (m_state != KE_MUSIC_STOPPED)
        {
            SetPipelineState(GST_STATE_NULL);
            m_state = KE_MUSIC_STOPPED;
        }
        m_endOfStream = 0;
        gst_element_seek_simple(m_pipeline, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, 0);
        if (SetPipelineState(GST_STATE_PLAYING) == KE_OK)
            m_state = KE_MUSIC_PLAYING;
        else
            SetPipelineState(GST_STATE_NULL);
    }

    // 3. Errors and the end of the stream.
    DrainBus();
}
