#pragma once

#include <QDialog>

class QListWidget;
class QListWidgetItem;
class QStackedWidget;
class CGeneralPage;
class CSnapshotPage;
class CShortcutPage;
class CAboutPage;

// The modal settings dialog: an icon list of the pages General, Snapshot,
// Shortcut and About beside the current page, and "Default", "Cancel", "OK".
// Nothing reaches the settings before "OK", which stores and saves them and
// accepts the dialog; the owner then registers the hot keys anew.
class COptionsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit COptionsDialog(QWidget* parent = nullptr, Qt::WindowFlags f = Qt::WindowFlags());
    ~COptionsDialog() override;

    QSize sizeHint() const override;

    // Shows the About page; the list keeps its current entry.
    void showAboutPage();
    // Why the hot keys cannot work on this desktop, shown on the Shortcut
    // page; empty when they can.
    void setHotKeysNotice(const QString& text);

public slots:
    void changePage(QListWidgetItem* current, QListWidgetItem* previous);
    void OnDefault();
    void OnOK();
    void OnCancel();

private:
    void createIcons();

    QListWidgetItem* aboutItem = nullptr;
    QListWidget* contentsWidget;
    QStackedWidget* pagesWidget;
    CGeneralPage* generalPage;
    CSnapshotPage* snapshotPage;
    CShortcutPage* shortcutPage;
    CAboutPage* aboutPage;
};
