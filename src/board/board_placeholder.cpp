// Board link library; filled by the board layer.
