// The pretend system for the install steps: stateful service manager, spooler, kernel,
// registry and win.ini sharing one timeline (the kernel's events) and one last-error value.
#pragma once

#include <gmock/gmock.h>

#include <initializer_list>

#include "fakes/fake_internet.h"
#include "fakes/fake_kernel.h"
#include "fakes/fake_registry.h"
#include "fakes/fake_services.h"
#include "fakes/fake_spooler.h"
#include "fakes/fake_ui.h"
#include "fakes/fake_win_ini.h"
#include "platform/os.h"

namespace fakes {

struct FakeInstallOs {
    FakeInstallOs() {
        services.timeline = &kernel.events;
        spooler.timeline = &kernel.events;
        registry.timeline = &kernel.events;
        win_ini.timeline = &kernel.events;
        spooler.ShareLastError(kernel.last_error);
    }
    // Every area counts its fallible calls in `plan`; the failed one sets the last error.
    void InjectFaults(FaultPlan& plan) {
        plan.last_error = &kernel.last_error;
        for (Faultable* area : std::initializer_list<Faultable*>{
                 &services, &spooler, &kernel, &registry, &win_ini, &internet, &ui}) {
            area->faults = &plan;
        }
    }
    FakeServiceManager services;
    FakeSpooler spooler;
    FakeKernel kernel;
    FakeRegistry registry;
    FakeWinIni win_ini;
    FakeInternet internet;
    FakeUi ui;
    FakeSockets sockets;
    plat::Os os{services, spooler, kernel, registry, win_ini, internet, ui, sockets};
};

}  // namespace fakes
