// The main window of Tarnwick.
//
// Dialog owns the one 32-bit register value (reg_value) and shows it five
// ways: the 32 bit buttons, the decimal, hexadecimal and octal fields and the
// grouped binary label. The widget tree comes from forms/dialog.ui; its slots
// are wired by name (on_<object>_<signal>), so object names and slot
// signatures are part of the interface. Every handler that changes the value
// redraws the views through update_bin_label, linEdit_data_update or
// data_update, the only places that decide how a view is rendered. The number
// logic itself lives in regmath.h, free of any widget.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

class QAbstractButton;
class QButtonGroup;
class QPushButton;
class QLineEdit;
class QMenu;
class RegisterMap;

namespace Ui {
class Dialog;
}

class Dialog : public QDialog
{
    Q_OBJECT

public:
    explicit Dialog(QWidget *parent = nullptr);
    ~Dialog() override;

    // The context menu of a value view (label_bin, lineEdit_dec, lineEdit_hex
    // or lineEdit_oct): its standard entries, then the entries that open a
    // register map, then entries that copy the register value as a source
    // literal, then one that pastes a value. The caller owns the menu;
    // nullptr for any other widget.
    QMenu *create_context_menu(QWidget *source);

    // Opens the register-map window on `path`, read in the background, and
    // picks `register_name` in it when one is given. The window is made on
    // first use; until then no map code runs. `at_start`: it opens together
    // with this window, and the two are laid out as a pair.
    void open_register_map(const QString &path, const QString &register_name = QString(),
                           bool at_start = false);
    // Connects that window to a GDB server at HOST:PORT.
    void connect_target(const QString &address);

private slots:
    void on_register_0_clicked();
    void on_register_1_clicked();
    void on_register_2_clicked();
    void on_register_3_clicked();
    void on_register_4_clicked();
    void on_register_5_clicked();
    void on_register_6_clicked();
    void on_register_7_clicked();
    void on_register_8_clicked();
    void on_register_9_clicked();
    void on_register_10_clicked();
    void on_register_11_clicked();
    void on_register_12_clicked();
    void on_register_13_clicked();
    void on_register_14_clicked();
    void on_register_15_clicked();
    void on_register_16_clicked();
    void on_register_17_clicked();
    void on_register_18_clicked();
    void on_register_19_clicked();
    void on_register_20_clicked();
    void on_register_21_clicked();
    void on_register_22_clicked();
    void on_register_23_clicked();
    void on_register_24_clicked();
    void on_register_25_clicked();
    void on_register_26_clicked();
    void on_register_27_clicked();
    void on_register_28_clicked();
    void on_register_29_clicked();
    void on_register_30_clicked();
    void on_register_31_clicked();

    void on_lineEdit_dec_textChanged(const QString &arg1);
    void on_lineEdit_hex_textChanged(const QString &arg1);
    void on_lineEdit_dec_textEdited(const QString &arg1);
    void on_lineEdit_hex_textEdited(const QString &arg1);
    void on_lineEdit_oct_textEdited(const QString &arg1);
    void on_checkBox_clicked(bool checked);
    void on_pushButton_clicked();
    void on_radioButton_dec_clicked(bool checked);
    void on_radioButton_bin_clicked(bool checked);
    void on_radioButton_oct_clicked(bool checked);
    void on_radioButton_hex_clicked(bool checked);
    void on_lineEdit_num_textEdited(const QString &arg1);
    void on_pushButton_clear_clicked();
    void on_lineEdit_num_cursorPositionChanged(int arg1, int arg2);
    void on_pushButton_calculate_clicked();
    void on_radioButton_sub_clicked();
    void on_radioButton_add_clicked();
    void on_lineEdit_hex_cursorPositionChanged(int arg1, int arg2);
    void on_lineEdit_hex_selectionChanged();
    void on_lineEdit_hex_returnPressed();
    void on_lineEdit_num_returnPressed();
    void on_pushButton_bit_ml_clicked();
    void data_update();
    void linEdit_data_update();
    void on_pushButton_bit_mr_clicked();
    void on_pushButton_bit_mL_clicked();
    void on_pushButton_bit_mR_clicked();
    void on_pushButton_open_calculator_clicked();
    void on_pushButton_connect_developer_clicked();

public slots:
    void handleLineEdit();

    // Added after the original table so its indices stay as they were:
    // AND and OR make calculate the default button, like add and subtract.
private slots:
    void on_radioButton_and_clicked();
    void on_radioButton_or_clicked();

private:
    RegisterMap *made_register_map();
    void update_bin_label(quint32 value);

    void toggle_bit(int bit);
    void update_bit_buttons();
    void show_bit(int bit, bool set);
    void show_bit_places(const QStringList &places);
    // A value field together with its cached text and its base.
    struct ValueView
    {
        QLineEdit *field;
        QString *text;
        int base;
    };
    void direct_entry(const ValueView &own, const ValueView &first, const ValueView &second);
    // What an accepted direct entry changes besides the views.
    void accept_entry(quint32 value);
    void enter_value(quint32 value);
    int paste_base(const QWidget *view) const;
    void install_operand_validator(const QString &pattern, bool checked);
    void calculate();
    void shift_by_count(bool left);
    void show_range_error();
    void follow_toggled(QAbstractButton *button, const std::function<void(bool)> &handler);
    bool acted_on_toggle(QAbstractButton *button);
    void make_calculate_default(QAbstractButton *operation);

    quint32 reg_value;
    QPushButton *bit_buttons[32];
    QString bin_text;
    QString oct_text;
    QString dec_text;
    QString hex_text;
    QButtonGroup *base_group;
    QButtonGroup *op_group;
    Ui::Dialog *ui;
    unsigned char reg_bits[32];
    quint32 num_value;
    quint32 oct_saved;
    quint32 dec_saved;
    quint32 hex_saved;
    // The button whose toggled() ran its handler since the event loop last ran.
    QAbstractButton *toggled_button = nullptr;
    // Made when a map is first opened; not a child, see register_map.h.
    RegisterMap *register_map = nullptr;
    // Which field each bit belongs to while a register is shown, else empty.
    QStringList bit_places;
};
