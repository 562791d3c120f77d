// The application's side of what the receiver link and the geodesy bar ask of it (the end of
// navigation mode, GPS following) and the settings dialog's page refresh, installed
// once at start-up.
#pragma once

void InstallReceiverHost();
