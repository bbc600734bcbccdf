// What the command tests work on: the real engine with the fake module and
// the simulated device (paced by hand), a playlist, settings, a shell of the
// test's choice and the playlist commands over them.
#pragma once

#include <memory>

#include "platform/simulated_wave_device.h"
#include "player/engine/playlist_commands.h"
#include "tests/unit/fake_stream_module.h"

namespace tumbor::testing {

template <typename Shell>
struct CommandRig {
    CommandRig() {
        registry.registerModule(&FakeStreamModule::configure(FakeModuleConfig()), "fake", 0, nullptr,
                                nullptr);
    }
    ~CommandRig() { release(); }
    // Lets go of the file playing and of the module; a test may call it before removing its files.
    void release() {
        engine.unload();
        registry.tearDown();
    }

    ModuleRegistry registry;
    PlaybackEngine engine{registry, std::make_unique<platform::SimulatedWaveDevice>(
                                        platform::SimulatedWaveDevice::Pacing::manual)};
    Playlist playlist;
    Settings settings;
    Shell shell;
    PlayerParts parts{engine, playlist, settings, registry, shell};
    PlaylistCommands playlistCommands{parts};
};

}  // namespace tumbor::testing
