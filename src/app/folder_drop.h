#pragma once

#include <QLineEdit>
#include <QObject>

namespace trackfold {

// Lets a folder dragged from a file manager fill a folder box, as desktop users expect; a
// dropped file fills it with the file's folder. Installs itself on the box and lives with it.
class FolderDrop : public QObject {
    Q_OBJECT
  public:
    explicit FolderDrop(QLineEdit& box);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLineEdit& box_;
};

}  // namespace trackfold
