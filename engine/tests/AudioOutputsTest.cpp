#include "engine/MpvSession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kelvane;

TEST(AudioOutputsTest, PipeWireOnlyWhereItsSocketIs)
{
    QTemporaryDir withSocket;
    QTemporaryDir without;
    QFile socket(QDir(withSocket.path()).filePath(QStringLiteral("pipewire-0")));
    ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    const struct
    {
        QList<std::pair<QString, QString>> env;
        QByteArray outputs;
    } cases[] = {
        {{{"XDG_RUNTIME_DIR", withSocket.path()}}, "pipewire,pulse,alsa,jack"},
        {{{"XDG_RUNTIME_DIR", without.path()}}, "pulse,alsa,jack"},
        {{}, "pulse,alsa,jack"},
        {{{"XDG_RUNTIME_DIR", without.path()}, {"PIPEWIRE_RUNTIME_DIR", withSocket.path()}},
         "pipewire,pulse,alsa,jack"},
        {{{"PIPEWIRE_REMOTE", "elsewhere"}}, "pipewire,pulse,alsa,jack"},
    };
    for (const auto& c : cases) {
        QProcessEnvironment env;
        for (const auto& [name, value] : c.env)
            env.insert(name, value);
        EXPECT_EQ(audioOutputs(env), c.outputs) << env.toStringList().join(' ').toStdString();
    }
}
