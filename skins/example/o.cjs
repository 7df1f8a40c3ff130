/* Parcelon example skin: calm slate blue with warm kraft accents.
   Copy this file to x/o.cjs beside the program to use it. */

QWidget#Form1 {
    background-color: #e8edf3;
}

QGroupBox {
    background-color: #f4f6f9;
    border: 1px solid #9aa8ba;
    border-radius: 5px;
    margin-top: 7px;
    color: #2c3e55;
}

QGroupBox::title {
    subcontrol-origin: margin;
    subcontrol-position: top left;
    left: 8px;
    padding: 0 3px;
}

QLineEdit {
    background-color: #ffffff;
    color: #1d2733;
    border: 1px solid #b4c0cf;
    border-radius: 3px;
    padding: 1px 3px;
    selection-background-color: #c88f4e;
    selection-color: #ffffff;
}

QLineEdit:focus {
    border: 1px solid #c88f4e;
}

QPushButton {
    background-color: #34506f;
    color: #ffffff;
    border: 1px solid #23384f;
    border-radius: 4px;
}

QPushButton:hover {
    background-color: #41638a;
}

QPushButton:pressed {
    background-color: #c88f4e;
    border-color: #9c6833;
}
