#include <QApplication>
#include <QStringList>

#include "app/qt/kvx_application.h"
#include "app/qt/private_profile.h"
#include "app/qt/probe_station.h"
#include "app/qt/update_setup_dialog.h"
#include "app/qt/user_dialogs.h"
#include "images/update_catalogue.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  kvx::qt::PrivateProfile profile(kvx::qt::PrivateProfile::DefaultFilePath());
  kvx::qt::ProbeStation station([&profile](int comNumber) { return profile.PortDevice(comNumber); },
                                kvx::DefaultUpdateDirectory());
  kvx::qt::KvxApplication kvxApplication(
      profile, kvx::qt::StandardUserDialogs([&station](const kvx::DialogFields& fields) {
        return kvx::qt::RunUpdateSetupDialog(station, fields);
      }));
  if (!kvxApplication.InitInstance(QApplication::arguments())) return 1;
  return QApplication::exec();
}
