[mms-file]
[part4]
ch0_mml=c
