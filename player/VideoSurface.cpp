#include "player/VideoSurface.h"

#include "engine/MpvSession.h"

#include <mpv/render_gl.h>

#include <QOpenGLContext>

namespace kelvane {

VideoSurface::VideoSurface(MpvSession* session, QWidget* parent)
    : QOpenGLWidget(parent), m_session(session)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (session != nullptr) {
        connect(session, &MpvSession::aboutToTerminate, this, [this] {
            release();
            m_session = nullptr;
        });
    }
}

VideoSurface::~VideoSurface()
{
    release();
    // QOpenGLWidget's destructor destroys the context after this part of the object is gone.
    QObject::disconnect(m_contextGone);
}

void* VideoSurface::procAddress(void*, const char* name)
{
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context != nullptr ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

void VideoSurface::initializeGL()
{
    if (m_session == nullptr || m_session->handle() == nullptr || m_render != nullptr)
        return;
    mpv_opengl_init_params gl{&VideoSurface::procAddress, nullptr};
    const char* api = MPV_RENDER_API_TYPE_OPENGL;
    mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(api)},
                                 {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    if (mpv_render_context_create(&m_render, m_session->handle(), params) < 0) {
        m_render = nullptr;
        return;
    }
    mpv_render_context_set_update_callback(
        m_render,
        [](void* ctx) {
            // Called on mpv's render thread: only post a repaint to the GUI thread.
            auto* self = static_cast<VideoSurface*>(ctx);
            QMetaObject::invokeMethod(
                self, [self] { self->update(); }, Qt::QueuedConnection);
        },
        this);
    // The GL context goes away with the window: the render context must go first.
    m_contextGone = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this,
                            &VideoSurface::release, Qt::DirectConnection);
    Q_EMIT ready();
}

void VideoSurface::paintGL()
{
    if (m_render == nullptr)
        return;
    const qreal ratio = devicePixelRatioF();
    mpv_opengl_fbo fbo{static_cast<int>(defaultFramebufferObject()),
                       static_cast<int>(width() * ratio), static_cast<int>(height() * ratio), 0};
    int flip = 1;
    mpv_render_param params[] = {{MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
                                 {MPV_RENDER_PARAM_FLIP_Y, &flip},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context_render(m_render, params);
}

void VideoSurface::release()
{
    if (m_render == nullptr)
        return;
    // Video off first, so the core stops handing frames to a context that is going away.
    if (m_session != nullptr)
        m_session->setVideoEnabled(false);
    const bool current = context() != nullptr && isValid();
    if (current)
        makeCurrent();
    mpv_render_context_set_update_callback(m_render, nullptr, nullptr);
    mpv_render_context_free(m_render);
    m_render = nullptr;
    if (current)
        doneCurrent();
}

} // namespace kelvane
