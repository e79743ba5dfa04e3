object frmDigInp: TfrmDigInp
  Left = 400
  Top = 60
  Width = 112
  Height = 501
  HorzScrollBar.Visible = False
  VertScrollBar.Visible = False
  BorderStyle = bsSizeToolWin
  Caption = 'KRV Dig. Input'
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clBlack
  Font.Height = -11
  Font.Name = 'Arial'
  Font.Style = []
  OldCreateOrder = True
  ShowHint = True
  OnClose = FormClose
  OnCreate = FormCreate
  OnDestroy = FormDestroy
  OnResize = FormResize
  OnShow = FormShow
  PixelsPerInch = 96
  TextHeight = 14
  object pnChecks: TPanel
    Tag = -1
    Left = 0
    Top = 410
    Width = 104
    Height = 64
    Align = alClient
    BevelInner = bvRaised
    BevelOuter = bvLowered
    TabOrder = 1
    object chkPeakMeter: TExtCheckBox
      Tag = -1
      Left = 8
      Top = 43
      Width = 65
      Height = 17
      Caption = '&Level'
      Checked = True
      TabOrder = 0
      OnClick = chkPeakMeterClick
      CaptionEnglish = '&Level'
      CaptionGerman = '&Level'
    end
    object chkMonSel: TExtCheckBox
      Tag = -1
      Left = 8
      Top = 25
      Width = 65
      Height = 17
      Caption = '&Monitor'
      Checked = True
      TabOrder = 0
      OnClick = chkMonSelClick
      CaptionEnglish = '&Monitor'
      CaptionGerman = '&Monitor'
    end
    object chkInpSel: TExtCheckBox
      Tag = -1
      Left = 8
      Top = 7
      Width = 65
      Height = 17
      Caption = '&Input'
      Checked = True
      TabOrder = 0
      OnClick = chkInpSelClick
      CaptionEnglish = '&Input'
      CaptionGerman = '&Input'
    end
  end
  object grpInput: TPanel
    Left = 0
    Top = 0
    Width = 104
    Height = 410
    Align = alTop
    BevelInner = bvRaised
    BevelOuter = bvLowered
    TabOrder = 0
    object pnInpheader: TPanel
      Left = 2
      Top = 2
      Width = 100
      Height = 24
      BevelOuter = bvNone
      Align = alTop
      TabOrder = 0
      object ExtLabel3: TExtLabel
        Left = 8
        Top = 4
        Width = 50
        Height = 16
        Caption = 'Input'
        Font.Charset = DEFAULT_CHARSET
        Font.Color = clBlack
        Font.Height = -13
        Font.Name = 'Arial'
        Font.Style = [fsBold, fsItalic]
        ParentFont = False
        CaptionEnglish = 'Input'
        CaptionGerman = 'Input'
      end
    end
    object UpperScroller: TPanel
      Left = 2
      Top = 26
      Width = 100
      Height = 65
      BevelOuter = bvNone
      Align = alTop
      TabOrder = 1
      object Panel13: TPanel
        Left = 0
        Top = 0
        Width = 4
        Height = 65
        BevelOuter = bvNone
        Align = alLeft
        TabOrder = 0
      end
      object Panel14: TPanel
        Left = 96
        Top = 0
        Width = 4
        Height = 65
        BevelOuter = bvNone
        Align = alRight
        TabOrder = 0
      end
      object pnInpSel: TScrollBox
        Left = 4
        Top = 0
        Width = 92
        Height = 65
        HorzScrollBar.Visible = False
        VertScrollBar.Visible = False
        Align = alClient
        AutoScroll = False
        BorderStyle = bsNone
        TabOrder = 2
        object Panel16: TPanel
          Left = 2
          Top = 0
          Width = 67
          Height = 65
          BevelOuter = bvNone
          TabOrder = 0
          object btnOptical: TSpeedButton
            Tag = 1
            Left = 0
            Top = 0
            Width = 53
            Height = 17
            GroupIndex = 3
            Caption = 'Optisch'
            Cursor = crHandPoint
            OnClick = btnInpRouteClick
          end
          object btnCinch: TSpeedButton
            Tag = 4
            Left = 0
            Top = 16
            Width = 53
            Height = 17
            GroupIndex = 3
            Caption = 'Cinch'
            Cursor = crHandPoint
            OnClick = btnInpRouteClick
          end
          object btnXlr: TSpeedButton
            Tag = 2
            Left = 0
            Top = 32
            Width = 53
            Height = 17
            GroupIndex = 3
            Caption = 'XLR'
            Cursor = crHandPoint
            OnClick = btnInpRouteClick
          end
          object btnCd: TSpeedButton
            Tag = 3
            Left = 0
            Top = 48
            Width = 53
            Height = 17
            GroupIndex = 3
            Caption = 'Cd'
            Cursor = crHandPoint
            OnClick = btnInpRouteClick
          end
        end
      end
    end
    object pnMonHeader: TPanel
      Left = 2
      Top = 91
      Width = 100
      Height = 24
      BevelOuter = bvNone
      Align = alTop
      TabOrder = 2
      object Panel9: TPanel
        Left = 0
        Top = 0
        Width = 7
        Height = 24
        BevelOuter = bvNone
        Align = alLeft
        TabOrder = 0
      end
      object Panel10: TPanel
        Left = 93
        Top = 0
        Width = 7
        Height = 24
        BevelOuter = bvNone
        Align = alRight
        TabOrder = 0
      end
      object ExtLabel1: TExtLabel
        Left = 8
        Top = 4
        Width = 50
        Height = 16
        Caption = 'Monitor'
        Font.Charset = DEFAULT_CHARSET
        Font.Color = clBlack
        Font.Height = -13
        Font.Name = 'Arial'
        Font.Style = [fsBold, fsItalic]
        ParentFont = False
        CaptionEnglish = 'Monitor'
        CaptionGerman = 'Monitor'
      end
    end
    object Panel7: TPanel
      Left = 2
      Top = 115
      Width = 4
      Height = 293
      BevelOuter = bvNone
      Align = alLeft
      TabOrder = 3
    end
    object Panel11: TPanel
      Left = 98
      Top = 115
      Width = 4
      Height = 293
      BevelOuter = bvNone
      Align = alRight
      TabOrder = 4
    end
    object BottomScroller: TScrollBox
      Left = 6
      Top = 115
      Width = 92
      Height = 293
      HorzScrollBar.Increment = 80
      HorzScrollBar.Tracking = True
      HorzScrollBar.Visible = False
      VertScrollBar.Visible = False
      Align = alClient
      BorderStyle = bsNone
      TabOrder = 5
      object pnMon: TPanel
        Left = 0
        Top = 0
        Width = 75
        Height = 85
        BevelOuter = bvNone
        TabOrder = 0
        object pnRoute12: TPanel
          Left = 2
          Top = 0
          Width = 67
          Height = 85
          BevelOuter = bvNone
          TabOrder = 0
          object SpeedButton8: TSpeedButton
            Tag = 1
            Left = 0
            Top = 0
            Width = 53
            Height = 17
            AllowAllUp = True
            GroupIndex = 2
            Caption = 'OnRec'
            Cursor = crHandPoint
            OnClick = WhenToMonClick
          end
          object SpeedButton9: TSpeedButton
            Tag = 2
            Left = 0
            Top = 16
            Width = 53
            Height = 17
            AllowAllUp = True
            GroupIndex = 2
            Caption = 'OnPunch'
            Cursor = crHandPoint
            OnClick = WhenToMonClick
          end
          object SpeedButton4: TSpeedButton
            Tag = 1
            Left = 0
            Top = 36
            Width = 53
            Height = 17
            GroupIndex = 1
            Caption = 'Ana 1-2'
            Cursor = crHandPoint
            OnClick = btnMonRouteClick
          end
          object SpeedButton5: TSpeedButton
            Tag = 2
            Left = 0
            Top = 52
            Width = 53
            Height = 17
            GroupIndex = 1
            Caption = 'Ana 3-4'
            Cursor = crHandPoint
            OnClick = btnMonRouteClick
          end
          object SpeedButton6: TSpeedButton
            Tag = 3
            Left = 0
            Top = 68
            Width = 53
            Height = 17
            Down = True
            GroupIndex = 1
            Caption = 'Digital'
            Cursor = crHandPoint
            OnClick = btnMonRouteClick
          end
        end
      end
      object pnMeters: TPanel
        Left = 0
        Top = 89
        Width = 75
        Height = 185
        BevelOuter = bvNone
        TabOrder = 1
        object pnMeter12: TPanel
          Left = 0
          Top = 0
          Width = 75
          Height = 185
          BevelOuter = bvNone
          TabOrder = 0
          object Label1: TLabel
            Left = 2
            Top = 3
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label2: TLabel
            Left = 2
            Top = 24
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label3: TLabel
            Left = 2
            Top = 48
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label4: TLabel
            Left = 2
            Top = 96
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label5: TLabel
            Left = 2
            Top = 128
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label6: TLabel
            Left = 2
            Top = 144
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label7: TLabel
            Left = 2
            Top = 156
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Meter1: TLevelMeter
            Tag = 0
            Left = 6
            Top = 6
            Width = 18
            Height = 163
            LumiHeight = 5
            NumLumisRed = 1
            NumLumisOrange = 12
            TimerInterval = 40
            LevelMaxHold = 3000
          end
          object Meter2: TLevelMeter
            Tag = 1
            Left = 28
            Top = 6
            Width = 18
            Height = 163
            LumiHeight = 5
            NumLumisRed = 1
            NumLumisOrange = 12
            TimerInterval = 40
            LevelMaxHold = 3000
          end
          object Label8: TLabel
            Left = 50
            Top = 3
            Width = 18
            Height = 14
            Caption = '0'
            Transparent = True
          end
          object Label9: TLabel
            Left = 50
            Top = 24
            Width = 18
            Height = 14
            Caption = '-5'
            Transparent = True
          end
          object Label10: TLabel
            Left = 50
            Top = 48
            Width = 18
            Height = 14
            Caption = '-10'
            Transparent = True
          end
          object Label11: TLabel
            Left = 50
            Top = 96
            Width = 18
            Height = 14
            Caption = '-20'
            Transparent = True
          end
          object Label12: TLabel
            Left = 50
            Top = 128
            Width = 18
            Height = 14
            Caption = '-30'
            Transparent = True
          end
          object Label13: TLabel
            Left = 50
            Top = 144
            Width = 18
            Height = 14
            Caption = '-40'
            Transparent = True
          end
          object Label14: TLabel
            Left = 50
            Top = 156
            Width = 18
            Height = 14
            Caption = '-60'
            Transparent = True
          end
          object Label15: TLabel
            Left = 50
            Top = 171
            Width = 18
            Height = 14
            Caption = 'dB'
            Transparent = True
          end
        end
      end
      object pnNumbers: TPanel
        Left = 0
        Top = 272
        Width = 51
        Height = 19
        BevelOuter = bvNone
        TabOrder = 2
        object Label16: TLabel
          Left = 5
          Top = 3
          Width = 20
          Height = 14
          Alignment = taCenter
          AutoSize = False
          Caption = 'L'
        end
        object Label17: TLabel
          Left = 27
          Top = 3
          Width = 20
          Height = 14
          Alignment = taCenter
          AutoSize = False
          Caption = 'R'
        end
      end
    end
  end
end
